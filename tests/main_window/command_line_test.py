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
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from silent_run import (  # noqa: E402
    CommandLineTestCase, PKG_OK, PACKAGE_PATH, CONFIG_PATH, wait_for)
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
            log = self.prefix.log_text()
            self.assertIn("E/WinMain -- bad command line: ", log, args)
            self.assertIn(reason, log, args)
            self.assertEqual([], installer_windows(586) + installer_windows(300), args)
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

    def test_a_silent_run_shows_no_window(self):
        size = os.path.getsize(PKG_OK)
        self.server.serve(PKG_OK)
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, size // 6))
        _, before = self.helper("toplevel")
        run = self.start("/S")
        wait_for(lambda: self.server.count("GET", PACKAGE_PATH), 60, "the download")
        _, during = self.helper("toplevel")
        self.assertEqual([], installer_windows(586) + installer_windows(300))
        self.assertEqual(codes.INSTALLED, run.wait())
        # Wine's Direct3D (the graphics adapter in the reports' hardware profile) makes a hidden
        # window of its own, which Windows' does not.
        new = {c for c in set(during.split()) - set(before.split()) if not c.startswith("WineD3D")}
        self.assertEqual(set(), new)
        self.assertEqual(1, self.server.count("GET", CONFIG_PATH))


if __name__ == "__main__":
    unittest.main(verbosity=2)
