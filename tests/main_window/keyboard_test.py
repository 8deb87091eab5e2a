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
import tempfile
import time
import unittest

INSTALLER, TRAY_SELECT, PKG_OK, SOURCE, PREFIX_ROOT = sys.argv[1:6]
del sys.argv[1:6]
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from velmora_client import installer_windows, wait_for, xdo  # noqa: E402

PACKAGE_PATH = "/pkg/Setup.exe"
CONFIG_PATH = "/update/win/kelto/VLMU.ini"
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


class KeyboardTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = velmora_client.Server()
        cls.prefix = subprocess.check_output(
            [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), PREFIX_ROOT, "keyboard_e2e"],
            text=True).strip()
        env = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=", http_proxy=cls.server.url,
                   LC_ALL="en_US.UTF-8")
        for k in ("https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "no_proxy"):
            env.pop(k, None)
        cls.env = env

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        subprocess.run(["wineserver", "-k"], env=cls.env)

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="velmora-keys-")
        # The machine's processor may be one the product does not support.
        with open(os.path.join(self.workdir, "AmdSupport.txt"), "w") as f:
            f.write("AMD\n")
        shutil.rmtree(self.drive_c("ProgramData", "Velmora"), ignore_errors=True)
        shutil.rmtree(self.drive_c("keysinstall"), ignore_errors=True)
        self.proc = None

    def tearDown(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def steps(self):
        return [s for _, s in self.server.steps()]

    def wait_step(self, step, timeout=120):
        wait_for(lambda: step in self.steps(), timeout,
                 "step %s (got %r)" % (step, self.steps()))

    def serve(self, rate):
        with open(PKG_OK, "rb") as f:
            md5 = self.server.control("package?path=" + PACKAGE_PATH, f.read())
        config = "[full]\naddress=http://dl.velmora.example%s\nchecksum=%s\n" % (PACKAGE_PATH,
                                                                                  md5)
        self.server.control("config?path=%s&status=200" % CONFIG_PATH, config.encode())
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, rate))

    def test_whole_install_with_the_keyboard_alone(self):
        self.server.control("reset")
        # About twenty seconds of download: time to come back and try to close meanwhile.
        self.serve(os.path.getsize(PKG_OK) // 20)
        self.proc = subprocess.Popen(["wine", INSTALLER], env=self.env, cwd=self.workdir,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = wait_for(lambda: installer_windows(586), 60, "the main window")[-1]
        self.wait_step("DownloaderStart")
        focus(window)
        # The focus starts on Install; Tab wraps round to the folder field, whose text is
        # selected: the drive stays, the rest is typed anew (xdotool's shift does not reliably
        # reach a Wine window, so only unshifted keys).
        keys("Tab", "Home", "Right", "Right", "Right", *(["Delete"] * 60))
        xdo("type", "--delay", "30", "keysinstall")
        time.sleep(0.3)
        # Browse, the agreement box, its link, then Install.
        keys("Tab", "Tab", "Tab", "Tab", "Return")
        wait_for(lambda: not installer_windows(586), 30, "the window to go to the tray")
        self.wait_step("Percent2", timeout=60)
        self.assertNotIn("SetupDownloaded", self.steps(), "the download is still running")

        # Enter on the notification icon brings the window back.
        self.assertEqual(0, subprocess.run(
            ["wine", TRAY_SELECT, "UIMainFrame", str(TRAY_CALLBACK), str(TRAY_ICON_ID)],
            env=self.env).returncode)
        window = wait_for(lambda: installer_windows(586), 30, "the window back")[-1]
        focus(window)
        # Esc does what the window's close button does: the prompt to give up the install.
        keys("Escape")
        box = wait_for(lambda: installer_windows(300), 30, "the close prompt")[-1]
        focus(box)
        # Esc on the prompt is its close button: go on installing.
        keys("Escape")
        wait_for(lambda: not installer_windows(300), 30, "the prompt to close")
        self.wait_step("ContinueSetup", timeout=10)
        self.assertIsNone(self.proc.poll())
        self.assertEqual([window], installer_windows(586))

        # The install ends on the result page, its Open button offered to the keyboard.
        self.wait_step("SetupSuccess", timeout=300)
        window = wait_for(lambda: installer_windows(586), 30, "the result page")[-1]
        installed = self.drive_c("keysinstall", "Velmora", "Velmora.exe")
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
        marker = self.drive_c("keysinstall", "Velmora", "launched.txt")
        wait_for(lambda: os.path.exists(marker), 30, "the installed program to start")


if __name__ == "__main__":
    unittest.main(verbosity=2)
