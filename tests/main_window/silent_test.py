#!/usr/bin/env python3
"""Silent runs (/S) of the real installer under Wine with no X display at all, against the
loopback server and real setup packages: the install, the reports it sends, and each way such a
run ends with its own exit code within its (shortened) limit.

usage: silent_test.py <VelmoraInstaller.exe> <session_helper.exe> <ok package>
                      <failing package> <source root> <wine prefix root>
"""
import os
import sys
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
        log = self.prefix.log_text()
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
                      self.prefix.log_text())
        self.assertFalse(os.path.exists(self.prefix.drive_c("Deploy Target", "My Apps")))

    def test_failing_package_ends_with_its_code_and_its_own_code_in_the_log(self):
        self.server.serve(PKG_FAIL)
        run = self.start("/S")
        self.assertEqual(codes.PACKAGE_FAILED, run.wait())
        self.assertIn("/D=C:\\Program Files\\Velmora\\ return 5", self.prefix.log_text())
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
        self.assertIn("E/Silent -- processor not supported", self.prefix.log_text())

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
        self.assertIn("the part downloaded stays for the next run", self.prefix.log_text())

    def test_a_second_silent_copy_ends_at_once_and_the_session_end_ends_the_first(self):
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
        # Log-off: the system asks the first copy's message-only window, then ends the session.
        code, out = self.helper("end")
        self.assertEqual(0, code)
        self.assertIn("query answered 1", out)
        self.assertEqual(codes.ENDED_BY_SYSTEM, first.wait(timeout=60))
        self.assertIn("ended by the system (WM_ENDSESSION)", self.prefix.log_text())
        # What had arrived stays for the next run.
        package = self.prefix.package_folder("Setup.exe")
        self.assertEqual(100000, os.path.getsize(package))


if __name__ == "__main__":
    unittest.main(verbosity=2)
