#!/usr/bin/env python3
"""The installer's command line under Wine + Xvfb: /D= without /S fills the window's folder
field (and the install goes there), a command line that cannot be used ends with its code before
anything is fetched, /? prints the usage to a pipe, and a silent run shows no window.

usage: command_line_test.py <VelmoraInstaller.exe> <session_helper.exe> <ok package>
                            <failing package> <source root> <wine prefix root>
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from silent_run import (  # noqa: E402
    CommandLineTestCase, HELPER, INSTALLER, PKG_OK, PACKAGE_PATH, CONFIG_PATH, config_text,
    wait_for)
import silent_run as codes  # noqa: E402
from installer_run import (  # noqa: E402
    TITLE_STRIP, click_at, installer_windows, layout_centres, picture)

MAIN_EN = layout_centres("main_en.xml", TITLE_STRIP)
BOX_EN = layout_centres("msgbox_en.xml")


class CommandLineTest(CommandLineTestCase):
    PREFIX = "command_line_e2e"
    DISPLAY = True

    def test_folder_without_silent_fills_the_folder_field_and_the_install_goes_there(self):
        self.server.serve(PKG_OK)
        run = self.start("/D=C:\\Deploy", "Target\\Apps")
        window = wait_for(lambda: installer_windows(586), 90, "the main window")[-1]
        wait_for(lambda: self.server.reports(), 30, "DownloaderStart")
        self.assertGreater(os.path.getsize(picture(window, "folder_field.png")), 0)
        click_at(window, MAIN_EN["installbtn"])
        wait_for(lambda: any("step=SetupSuccess" in q for q in self.server.reports()), 120,
                 "SetupSuccess")
        self.assertTrue(os.path.exists(
            self.prefix.drive_c("Deploy Target", "Apps", "Velmora", "Velmora.exe")))
        self.assertIn("/S /D=C:\\Deploy Target\\Apps\\Velmora\\\n", self.prefix.log_text())

    def test_unusable_command_lines_end_before_anything_is_fetched(self):
        self.server.serve(PKG_OK)
        lines = [
            (["/S", "/D=Velmora"], "not an absolute path"),
            (["/D=\\\\server\\share\\Velmora"], "not an absolute path"),
            (["/S", "/D=C:\\Deploy", "Target\\a|b"], "a character a folder name cannot hold"),
            (["/D=C:\\" + "x" * 240], "longer than 239 characters"),
            (["/X"], "unknown switch: /X"),
            (["/S", "/quiet"], "unknown switch: /quiet"),
            (["/S", "/D=C:\\a", "/D=C:\\b"], "/D= given twice"),
        ]
        for args, reason in lines:
            run = self.start(*args)
            self.assertEqual(codes.BAD_COMMAND_LINE, run.wait(timeout=60), args)
            log = self.silent_log() if "/S" in args else self.prefix.log_text()
            self.assertIn("E/WinMain -- bad command line: ", log, args)
            self.assertIn(reason, log, args)
            self.assertEqual([], installer_windows(586) + installer_windows(300), args)
        # As a deployment service runs it, with no standard output: /S after /D= still means
        # nothing is shown (a box nobody can close would hold the deployment for ever).
        run = self.start("/D=C:\\Apps", "/S", no_output=True)
        self.assertEqual(codes.BAD_COMMAND_LINE, run.wait(timeout=60))
        self.assertIn("put /S before /D=", self.silent_log())
        self.assertEqual([], installer_windows(586) + installer_windows(300))
        self.assert_nothing_fetched()

    def test_usage_goes_to_a_pipe(self):
        for switch in ("/?", "-HELP"):
            run = self.start(switch, stdout=subprocess.PIPE)
            out, _ = run.proc.communicate(timeout=60)
            self.assertEqual(codes.INSTALLED, run.proc.returncode)
            text = out.decode("latin-1")
            self.assertIn("/D=<folder>", text)
            self.assertIn("Running with /S is the administrator accepting the", text)
            self.assertIn("  9  another installer running", text)
        self.assertEqual([], installer_windows(586) + installer_windows(300))
        self.assert_nothing_fetched()

    def test_usage_without_standard_output_is_a_box(self):
        # Standard output closed: no handle to write to and no console to attach to.
        run = self.start("/?", no_output=True)
        box = wait_for(lambda: installer_windows(300), 60, "the usage box")[-1]
        picture(box, "usage_box.png")
        click_at(box, BOX_EN["btnISee"])
        self.assertEqual(codes.INSTALLED, run.wait(timeout=60))
        self.assert_nothing_fetched()

    def windows_of_others(self):
        """The top-level windows (class, visible or hidden) that are not Wine's own Direct3D
        ones: Wine's Direct3D (the graphics adapter in the reports' hardware profile) makes a
        hidden window of its own, which Windows' does not."""
        _, out = self.helper("toplevel")
        return {tuple(line.split("\t")[:2]) for line in out.splitlines()
                if line and not line.startswith("WineD3D")}

    def test_a_silent_run_shows_no_window(self):
        size = os.path.getsize(PKG_OK)
        self.server.serve(PKG_OK)
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, size // 6))
        before = self.windows_of_others()
        run = self.start("/S")
        wait_for(lambda: self.server.count("GET", PACKAGE_PATH), 60, "the download")
        during = self.windows_of_others()
        self.assertEqual([], installer_windows(586) + installer_windows(300))
        self.assertEqual(codes.INSTALLED, run.wait())
        # Only the hidden window that hears of the session's end.
        self.assertEqual({("VelmoraSilentSession", "hidden")}, during - before)
        self.assertEqual(1, self.server.count("GET", CONFIG_PATH))

    def test_the_end_of_the_session_as_windows_sends_it_ends_a_silent_run(self):
        self.server.control("package?path=%s&size=%d&pattern=1" % (PACKAGE_PATH, 3 << 20))
        self.server.control("config?path=%s" % CONFIG_PATH, config_text("0" * 32).encode())
        self.server.control("fault?path=%s&stall_after=100000" % PACKAGE_PATH)
        run = self.start("/S")
        wait_for(lambda: self.server.count("GET", PACKAGE_PATH), 60, "the download")
        # The system finds the process's top-level windows, asks each, then ends the session.
        code, out = self.helper("endsession", "VelmoraInstaller.exe")
        self.assertEqual(0, code, out)
        self.assertIn("processes 1 windows ", out)
        self.assertIn("VelmoraSilentSession: query answered 1\n", out)
        self.assertEqual(codes.ENDED_BY_SYSTEM, run.wait(timeout=60))
        log = self.silent_log()
        self.assertIn("W/Silent -- the session is ending (WM_QUERYENDSESSION)", log)
        self.assertIn("E/Silent -- the run was ended by the system (WM_ENDSESSION)", log)
        # What had arrived stays for the next run.
        self.assertEqual(100000, os.path.getsize(self.prefix.package_folder("Setup.exe")))

    def on_own_station(self, *args, no_output=False):
        """Runs the installer through session_helper on a window station that is not
        interactive: its exit code and the helper's output (the installer's, inherited)."""
        exe = "Z:" + INSTALLER.replace("/", "\\")
        with tempfile.TemporaryFile() as out:
            command = ["wine", HELPER, "station", exe] + list(args)
            if no_output:
                command = ["bash", "-c", 'exec "$0" "$@" >&- 2>&-'] + command
            code = subprocess.run(command, env=self.prefix.env, stdout=None if no_output else out,
                                  stderr=subprocess.DEVNULL, timeout=120).returncode
            out.seek(0)
            return code, out.read().decode("latin-1")

    def test_nothing_is_shown_on_a_window_station_that_is_not_interactive(self):
        self.server.serve(PKG_OK)
        # The usage with no standard output: a box elsewhere, never closed here.
        code, _ = self.on_own_station("/?", no_output=True)
        self.assertEqual(codes.INSTALLED, code)
        log = self.prefix.log_text()
        self.assertIn("W/WinMain -- the window station is not interactive: no window and no box",
                      log)
        self.assertIn("I/Usage -- Exit codes:", log)
        # A bad line: its text on standard output and in the log, its code.
        code, out = self.on_own_station("/X")
        self.assertEqual(codes.BAD_COMMAND_LINE, code, out)
        self.assertIn("Exit codes:", out)
        self.assertIn("E/WinMain -- bad command line: unknown switch: /X", self.prefix.log_text())
        # No switch: the window nobody could see is not made.
        code, out = self.on_own_station()
        self.assertEqual(codes.BAD_COMMAND_LINE, code, out)
        self.assertIn("E/WinMain -- bad command line: the window station is not interactive",
                      self.prefix.log_text())
        self.assertEqual([], installer_windows(586) + installer_windows(300))
        self.assert_nothing_fetched()

    def install_in_window(self, package):
        self.server.serve(package)
        run = self.start()
        window = wait_for(lambda: installer_windows(586), 90, "the main window")[-1]
        wait_for(lambda: self.server.reports(), 30, "DownloaderStart")
        click_at(window, MAIN_EN["installbtn"])
        return run, window

    def test_window_run_with_a_restart_code_says_windows_must_restart(self):
        run, window = self.install_in_window(codes.PKG_REBOOT_REQUIRED)
        wait_for(lambda: any("step=SetupSuccess" in q for q in self.server.reports()), 120,
                 "SetupSuccess")
        self.assertTrue(os.path.exists(
            self.prefix.drive_c("Program Files", "Velmora", "Velmora.exe")))
        # What a screen reader finds on the result page.
        client = os.path.join(os.path.dirname(INSTALLER), "tests", "accessibility",
                              "msaa_client.exe")
        text = ""
        for _ in range(30):
            with tempfile.TemporaryFile() as out:
                subprocess.run(["wine", client, "dump", "UIMainFrame"], env=self.prefix.env,
                               stdout=out, stderr=subprocess.DEVNULL, timeout=60)
                out.seek(0)
                text = out.read().decode("utf-8")
            if "Windows must restart to finish the installation." in text:
                break
            time.sleep(1)
        self.assertIn("Installation successful!", text)
        self.assertIn("Windows must restart to finish the installation.", text)
        picture(window, "restart_needed_en.png")
        self.assertIsNone(run.proc.poll())

    def test_window_run_keeps_waiting_for_a_package_that_never_ends_and_stays_responsive(self):
        run, _ = self.install_in_window(codes.PKG_HANG)
        wait_for(lambda: any("step=SetupDownloaded" in q for q in self.server.reports()), 120,
                 "SetupDownloaded")
        for _ in range(5):
            time.sleep(2)
            code, _ = self.helper("respond", "UIMainFrame")
            self.assertEqual(0, code, "the window did not answer while the package runs")
        steps = [q.split("&step=")[1].split("&")[0] for q in self.server.reports()]
        self.assertNotIn("SetupFailed", steps)
        self.assertNotIn("SetupSuccess", steps)
        self.assertIsNone(run.proc.poll())


if __name__ == "__main__":
    unittest.main(verbosity=2)
