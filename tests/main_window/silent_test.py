#!/usr/bin/env python3
"""Silent runs (/S) of the real installer under Wine with no X display at all, against the
loopback server and real setup packages: the install, the reports it sends, and each way such a
run ends with its own exit code within its (shortened) limit.

usage: silent_test.py <VelmoraInstaller.exe> <session_helper.exe> <ok package>
                      <failing package> <source root> <wine prefix root>
"""
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from silent_run import (  # noqa: E402
    CommandLineTestCase, PKG_FAIL, PKG_OK, PACKAGE_PATH, CONFIG_PATH, STEP_KEYS, SPEED_KEYS,
    config_text, query_keys, wait_for)
import silent_run as codes  # noqa: E402

FOLDER = "C:\\Deploy Target\\My Apps"


class SilentTest(CommandLineTestCase):
    PREFIX = "silent_e2e"
    DISPLAY = False

    def test_install_with_no_display_into_a_folder_with_spaces(self):
        self.assertNotIn("DISPLAY", self.prefix.env)
        size = os.path.getsize(PKG_OK)
        self.server.serve(PKG_OK)
        # A few seconds of download, so the progress passes are seen as in a window's run.
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, size // 4))
        # /D= unquoted, as setup packages take it: the rest of the line.
        run = self.start("/S", "/LOG=C:\\silent log.txt", "/D=C:\\Deploy", "Target\\My", "Apps")
        self.assertEqual(codes.INSTALLED, run.wait())
        installed = self.prefix.drive_c("Deploy Target", "My Apps", "Velmora")
        self.assertTrue(os.path.exists(os.path.join(installed, "Velmora.exe")))
        # The installed program is not opened.
        time.sleep(2)
        self.assertFalse(os.path.exists(os.path.join(installed, "launched.txt")))
        # The steps a window's run sends for the same events, each with the same keys.
        reports = self.server.reports()
        self.assertEqual(["DownloaderStart", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupSuccess"],
                         [q.split("&step=")[1].split("&")[0] for q in reports])
        for query in reports:
            self.assertEqual(STEP_KEYS, query_keys(query))
        speed = self.server.reports("/qzadmin/down_speed.php")
        self.assertEqual(1, len(speed))
        self.assertEqual(SPEED_KEYS, query_keys(speed[0]))
        hosts = {r[1] for r in self.server.requests() if r[2].startswith("/qzadmin/")}
        self.assertEqual({"www.velmora.example"}, hosts)
        # Its log went where /LOG= said, the usual one was not written.
        log = self.prefix.log_text(self.prefix.drive_c("silent log.txt"))
        self.assertIn("/S /D=C:\\Deploy Target\\My Apps\\Velmora\\ return 0", log)
        self.assertIn("I/Silent -- exit code 0: installed", log)
        self.assertFalse(os.path.exists(self.prefix.roaming("Velmorainstaller.log")))

    def test_configuration_host_down_and_configuration_refused(self):
        limit = {"VELMORA_SILENT_CONFIG_SECONDS": "6"}
        # Nobody listens where the proxy (every host) should be.
        down = self.start("/S", env=dict(limit, http_proxy="http://127.0.0.1:9"))
        self.assertEqual(codes.CONFIG_UNREACHABLE, down.wait())
        self.assertLess(down.seconds, 6 + 20)
        log = self.silent_log()
        self.assertGreaterEqual(log.count("request config from"), 3)  # paused 2, then 4 s
        self.assertIn("configuration unreachable, next attempt in 2000 ms", log)
        # An answer that is not a configuration, every time.
        self.server.serve(PKG_OK, config="<html>maintenance</html>")
        refused = self.start("/S", env=limit)
        self.assertEqual(codes.CONFIG_REFUSED, refused.wait())
        self.assertLess(refused.seconds, 6 + 20)
        self.assertGreaterEqual(self.server.count("GET", CONFIG_PATH), 3)
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))
        self.assertEqual(["DownloaderStart"] * 0, [q for q in self.server.reports()])

    def test_checksum_failing_on_two_whole_downloads_refuses_the_package(self):
        self.server.serve(PKG_OK, checksum="0123456789abcdef0123456789abcdef")
        run = self.start("/S", "/D=" + FOLDER)
        self.assertEqual(codes.PACKAGE_REFUSED, run.wait())
        self.assertGreaterEqual(self.server.count("GET", PACKAGE_PATH), 2)
        self.assertLess(self.server.count("GET", PACKAGE_PATH), 4)
        self.assertIn("the package failed its checksum on 2 whole downloads in a row",
                      self.silent_log())
        self.assertFalse(os.path.exists(self.prefix.drive_c("Deploy Target", "My Apps")))

    def test_failing_package_ends_with_its_code_and_its_own_code_in_the_log(self):
        self.server.serve(PKG_FAIL)
        run = self.start("/S")
        self.assertEqual(codes.PACKAGE_FAILED, run.wait())
        self.assertIn("/D=C:\\Program Files\\Velmora\\ return 5", self.silent_log())
        self.assertEqual("SetupFailed",
                         self.server.reports()[-1].split("&step=")[1].split("&")[0])

    def test_unsupported_processor_ends_at_once(self):
        with open("/proc/cpuinfo") as f:
            if "AMD" not in f.read():
                self.skipTest("the host's processor is not an AMD one")
        self.server.serve(PKG_OK)
        run = self.start("/S", supported_cpu=False)
        self.assertEqual(codes.UNSUPPORTED, run.wait())
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))
        self.assertIn("E/Silent -- processor not supported", self.silent_log())

    def test_download_without_progress_gives_up_and_keeps_the_partial_file(self):
        self.server.control("package?path=%s&size=%d&pattern=1" % (PACKAGE_PATH, 3 << 20))
        self.server.control("config?path=%s" % CONFIG_PATH, config_text("0" * 32).encode())
        self.server.control("fault?path=%s&stall_after=300000" % PACKAGE_PATH)
        run = self.start("/S", env={"VELMORA_SILENT_STALL_SECONDS": "5"})
        self.assertEqual(codes.DOWNLOAD_FAILED, run.wait())
        self.assertLess(run.seconds, 5 + 25)
        package = self.prefix.package_folder("Setup.exe")
        self.assertEqual(300000, os.path.getsize(package))
        self.assertTrue(os.path.exists(package + ".cfg"))
        self.assertIn("the part downloaded stays for the next run", self.silent_log())

    def test_a_second_silent_copy_ends_at_once(self):
        self.server.control("package?path=%s&size=%d&pattern=1" % (PACKAGE_PATH, 3 << 20))
        self.server.control("config?path=%s" % CONFIG_PATH, config_text("0" * 32).encode())
        self.server.control("fault?path=%s&stall_after=100000" % PACKAGE_PATH)
        first = self.start("/S")
        wait_for(lambda: self.server.count("GET", PACKAGE_PATH), 60, "the first copy's download")
        second = self.start("/S", "/D=" + FOLDER)
        self.assertEqual(codes.ANOTHER_RUNNING, second.wait(timeout=60))
        self.assertLess(second.seconds, 15)
        self.assertIsNone(first.proc.poll())
        self.assertEqual(1, self.server.count("GET", CONFIG_PATH))
        # With no display no top-level window can be made (the end of the session is tested
        # with one in command_line_test.py): the log says what is not seen.
        self.assertIn("W/Silent -- no top-level window (error ", self.silent_log())

    def test_bad_lines_with_silent_anywhere_end_at_once_and_write_their_log(self):
        # /S after /D= became part of the folder: silent all the same, and the mistake named.
        run = self.start("/D=C:\\Apps", "/S", output=True)
        self.assertEqual(codes.BAD_COMMAND_LINE, run.wait(timeout=60))
        self.assertLess(run.seconds, 20)
        out = run.output_text()
        # The first line on standard output is where the log is.
        self.assertEqual(codes.SILENT_LOG, out.split("\r\n")[0])
        self.assertIn("Exit codes:", out)
        log = self.silent_log()
        self.assertIn("E/WinMain -- bad command line: /D= takes the rest of the line, so /S after "
                      "it became part of the folder: put /S before /D=", log)
        self.assertIn("I/Usage -- Exit codes:", log)
        # /LOG= is honoured although another switch is bad.
        run = self.start("/X", "/LOG=C:\\silent log.txt", "/s")
        self.assertEqual(codes.BAD_COMMAND_LINE, run.wait(timeout=60))
        self.assertIn("E/WinMain -- bad command line: unknown switch: /X",
                      self.prefix.log_text(self.prefix.drive_c("silent log.txt")))
        self.assert_nothing_fetched()

    def test_log_file_that_cannot_be_written_ends_with_the_bad_command_line_code(self):
        self.server.serve(PKG_OK)
        for log in ("C:\\no such folder\\setup.log", "C:\\Windows"):
            run = self.start("/S", "/LOG=" + log, output=True)
            self.assertEqual(codes.BAD_COMMAND_LINE, run.wait(timeout=60), log)
            self.assertIn("The log file given with /LOG= cannot be written: ", run.output_text())
            self.assertIn("Exit code 1", run.output_text())
        self.assertFalse(os.path.exists(self.prefix.package_folder("Velmorainstaller.log")))
        self.assert_nothing_fetched()

    def test_package_that_never_ends_is_left_running_at_the_bound(self):
        self.server.serve(codes.PKG_HANG)
        run = self.start("/S", env={"VELMORA_SILENT_PACKAGE_SECONDS": "5"})
        self.assertEqual(codes.PACKAGE_FAILED, run.wait(timeout=120))
        log = self.silent_log()
        self.assertIn("E/Silent -- the package has not ended after 5 s; it is left running", log)
        self.assertIn("I/Silent -- exit code 8: package did not end in time", log)
        self.assertEqual("SetupFailed",
                         self.server.reports()[-1].split("&step=")[1].split("&")[0])
        # Still running: ending it could leave the machine half installed.
        _, count = self.helper("count", "Setup.exe")
        self.assertEqual("1", count.strip())

    def test_restart_codes_of_the_package_are_installs_passed_on(self):
        for package, code in ((codes.PKG_REBOOT_REQUIRED, codes.REBOOT_REQUIRED),
                              (codes.PKG_REBOOT_INITIATED, codes.REBOOT_INITIATED)):
            with self.subTest(code=code):
                self.server.control("reset")
                self.server.serve(package)
                self.assertEqual(code, self.windows_exit_code("/S", "/D=" + FOLDER))
                self.assertTrue(os.path.exists(self.prefix.drive_c(
                    "Deploy Target", "My Apps", "Velmora", "Velmora.exe")))
                self.assertEqual("SetupSuccess",
                                 self.server.reports()[-1].split("&step=")[1].split("&")[0])
                log = self.silent_log()
                self.assertIn("W/CMainFrame -- the package returned %d: installed, Windows must "
                              "restart to finish" % code, log)
                self.assertIn("I/Silent -- exit code %d: installed; Windows must restart to "
                              "finish" % code, log)

    def test_no_safe_package_folder_has_its_own_code(self):
        # A link where the package folder would be: nothing may be written through it.
        elsewhere = tempfile.mkdtemp(prefix="velmora-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)
        linked = self.prefix.drive_c("Program Files", "Velmora Installer")
        shutil.rmtree(linked, ignore_errors=True)
        os.symlink(elsewhere, linked)
        self.addCleanup(os.unlink, linked)
        self.server.serve(PKG_OK)
        run = self.start("/S", output=True)
        self.assertEqual(codes.NO_SAFE_PACKAGE_FOLDER, run.wait())
        self.assertEqual([], os.listdir(elsewhere))
        self.assertEqual(0, self.server.count("GET", PACKAGE_PATH))
        # The log went to the usual place instead, and says why.
        self.assertEqual(self.prefix.log_path().replace(self.prefix.drive_c(), "C:").replace(
            "/", "\\"), run.output_text().split("\r\n")[0])
        log = self.prefix.log_text()
        self.assertIn("W/Log -- no package folder for the log (", log)
        self.assertIn("I/Silent -- exit code 10: no safe package folder", log)

    def test_every_exit_code_has_a_row_in_the_readme_and_the_usage(self):
        with open(os.path.join(codes.SOURCE_ROOT, "installer", "exit_codes.h")) as f:
            defined = sorted(int(v) for v in re.findall(r"kExit\w+ = (\d+)", f.read()))
        with open(os.path.join(codes.SOURCE_ROOT, "README.md")) as f:
            table = f.read().split("| exit code | outcome |")[1].split("\n\n")[0]
            readme = sorted(int(v) for v in re.findall(r"^\| (\d+) \| ", table, re.M))
        self.assertEqual(defined, readme)
        self.assertEqual(list(range(14)) + [1641, 3010], defined)
        usage = self.start("/?", output=True)
        self.assertEqual(codes.INSTALLED, usage.wait(timeout=60))
        listed = sorted(int(v) for v in re.findall(r"^  (\d+)  ", usage.output_text(), re.M))
        self.assertEqual(defined, listed)


if __name__ == "__main__":
    unittest.main(verbosity=2)
