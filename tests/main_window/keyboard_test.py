#!/usr/bin/env python3
"""A whole install with the keyboard alone, under Wine + Xvfb: no mouse event reaches the
installer. Tab moves to the folder field, the folder is typed, Tab reaches Install and Enter
presses it; the notification icon's Enter brings the window back while the package downloads;
Esc on the window asks the close prompt and Esc on the prompt keeps installing; Enter on the
result page opens the installed program.

usage: keyboard_test.py <VelmoraInstaller.exe> <tray_select.exe> <ok package> <source root>
                        <wine prefix root>
"""
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    InstallerTestCase, arguments, installer_windows, retype_folder, wait_for, xdo)

INSTALLER, TRAY_SELECT, PKG_OK, _, PREFIX_ROOT = arguments(5)
TRAY_CALLBACK = 1030  # the main window's notification-icon message (WM_USER + 6)
TRAY_ICON_ID = 128


def keys(*names):
    """Key presses to the window that has the keyboard focus, with time for Wine to deliver
    each."""
    for name in names:
        xdo("key", name)
        time.sleep(0.25)


def focus(window):
    """Gives the window the X keyboard focus, as the window manager would when it appears."""
    xdo("windowfocus", "--sync", window)
    time.sleep(0.3)


class KeyboardTest(InstallerTestCase):
    PREFIX = "keyboard_e2e"
    PREFIX_ROOT = PREFIX_ROOT

    def setUp(self):
        super().setUp()
        shutil.rmtree(self.prefix.drive_c("keysinstall"), ignore_errors=True)

    def test_whole_install_with_the_keyboard_alone(self):
        # About twenty seconds of download: time to come back and try to close meanwhile.
        self.server.serve(PKG_OK, rate=os.path.getsize(PKG_OK) // 20)
        # As on XP or with UAC off (no split token): Open starts the program directly.
        env = dict(self.prefix.env, VELMORA_DEV_NO_SPLIT_TOKEN="1")
        self.proc = self.start(env=env, program=INSTALLER, copy=False).proc
        window = wait_for(lambda: installer_windows(586), 60, "the main window")[-1]
        self.server.wait_step("DownloaderStart")
        focus(window)
        # The focus starts on Install; Tab wraps round to the folder field, whose text is
        # selected: the drive stays, the rest is typed anew (xdotool's shift does not reliably
        # reach a Wine window, so only unshifted keys).
        keys("Tab")
        retype_folder("keysinstall")
        # Browse, the agreement box, its link, then Install.
        keys("Tab", "Tab", "Tab", "Tab", "Return")
        wait_for(lambda: not installer_windows(586), 30, "the window to go to the tray")
        self.server.wait_step("Percent2", timeout=60)
        self.assertNotIn("SetupDownloaded", self.steps(), "the download is still running")

        # Enter on the notification icon brings the window back.
        self.assertEqual(0, subprocess.run(
            ["wine", TRAY_SELECT, "UIMainFrame", str(TRAY_CALLBACK), str(TRAY_ICON_ID)],
            env=self.prefix.env).returncode)
        window = wait_for(lambda: installer_windows(586), 30, "the window back")[-1]
        focus(window)
        # Esc does what the window's close button does: the prompt to give up the install.
        keys("Escape")
        box = wait_for(lambda: installer_windows(300), 30, "the close prompt")[-1]
        focus(box)
        # Esc on the prompt is its close button: go on installing.
        keys("Escape")
        wait_for(lambda: not installer_windows(300), 30, "the prompt to close")
        self.server.wait_step("ContinueSetup", timeout=10)
        self.assertIsNone(self.proc.poll())
        self.assertEqual([window], installer_windows(586))

        # The install ends on the result page, its Open button offered to the keyboard.
        self.server.wait_step("SetupSuccess", timeout=300)
        window = wait_for(lambda: installer_windows(586), 30, "the result page")[-1]
        installed = self.prefix.drive_c("keysinstall", "Velmora", "Velmora.exe")
        self.assertTrue(os.path.exists(installed))
        steps = self.steps()
        self.assertEqual(["DownloaderStart", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupSuccess"], [s for s in steps if s != "ContinueSetup"])
        self.assertEqual(1, steps.count("ContinueSetup"))
        self.assertLess(steps.index("ContinueSetup"), steps.index("SetupDownloaded"))
        # The bar runs on to 100 before the result page replaces the progress page, where Enter
        # has nothing to press: Enter until the page is there and Open ends the installer.
        deadline = time.time() + 60
        while self.proc.poll() is None and time.time() < deadline:
            focus(window)
            keys("Return")
            self.assertEqual([], installer_windows(300), "Enter opened no box")
            time.sleep(1)
        self.assertEqual(0, self.proc.wait(timeout=30))
        marker = self.prefix.drive_c("keysinstall", "Velmora", "launched.txt")
        wait_for(lambda: os.path.exists(marker), 30, "the installed program to start")
        self.assertIn("I/DesktopLaunch -- installed program started directly with this process's "
                      "rights (no split token (VELMORA_DEV_NO_SPLIT_TOKEN)): "
                      "C:\\keysinstall\\Velmora\\Velmora.exe\n", self.log_text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
