#!/usr/bin/env python3
"""The whole installer under Wine + Xvfb, used as a user would: xdotool clicks and typing on
the real windows, a loopback server standing in for the configuration, package and reporting
hosts, and real silent setup packages (built with makensis) that install a stand-in program.

usage: main_window_test.py <VelmoraInstaller.exe> <ok package> <failing package>
                           <source root> <wine prefix root>
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

INSTALLER, PKG_OK, PKG_FAIL, SOURCE, PREFIX_ROOT = sys.argv[1:6]
del sys.argv[1:6]
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from velmora_client import (  # noqa: E402
    click_at, installer_windows, layout_centres, wait_for, xdo)
TITLE = "VelmoraInstaller"
PACKAGE_PATH = "/pkg/Setup.exe"
CONFIG_PATH = "/update/win/kelto/VLMU.ini"
TITLE_STRIP = 46  # the pages of the main layout start below the window buttons


class Server(velmora_client.Server):
    def serve(self, package_file, config_ok=True):
        with open(package_file, "rb") as f:
            md5 = self.control("package?path=" + PACKAGE_PATH, f.read())
        config = ("[full]\naddress=http://dl.velmora.example%s\nchecksum=%s\n"
                  % (PACKAGE_PATH, md5)).encode()
        if not config_ok:
            config = b"<html>Internal Server Error</html>"
        self.control("config?path=%s&status=%d" % (CONFIG_PATH, 200 if config_ok else 500),
                     config)
        return md5


class Installer:
    """One run of VelmoraInstaller.exe in a working folder that has the given files."""

    def __init__(self, test, env):
        self.test = test
        self.workdir = tempfile.mkdtemp(prefix="velmora-run-")
        # The machine's processor may be one the product does not support.
        with open(os.path.join(self.workdir, "AmdSupport.txt"), "w") as f:
            f.write("AMD\n")
        self.proc = subprocess.Popen(["wine", INSTALLER], env=env, cwd=self.workdir,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(self, width):
        return installer_windows(width)

    def main_window(self, timeout=60):
        return wait_for(lambda: self.windows(586), timeout, "the main window")[-1]

    def message_box(self, timeout=60):
        return wait_for(lambda: self.windows(300), timeout, "a message box")[-1]

    def click(self, window, point):
        click_at(window, point)

    def type_folder(self, window, point, text):
        """Keeps the drive ("C:\\") of the folder shown and types the rest after it. Only
        unshifted keys: xdotool's shift does not reliably reach a Wine window."""
        self.click(window, point)
        xdo("key", "Home", "Right", "Right", "Right", *(["Delete"] * 60))
        xdo("type", "--delay", "30", text)
        time.sleep(0.3)

    def wait(self, timeout=60):
        return self.proc.wait(timeout=timeout)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.workdir, ignore_errors=True)


class MainWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server()
        cls.prefix = subprocess.check_output(
            [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), PREFIX_ROOT, "main_window_e2e"],
            text=True).strip()
        base = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                    WINEDLLOVERRIDES="mscoree,mshtml=", http_proxy=cls.server.url)
        for k in ("https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "no_proxy"):
            base.pop(k, None)
        cls.env_en = dict(base, LC_ALL="en_US.UTF-8")
        cls.env_zh = dict(base, LC_ALL="zh_CN.UTF-8")
        cls.main_en = layout_centres("main_en.xml", TITLE_STRIP)
        cls.main_zh = layout_centres("main_zh.xml", TITLE_STRIP)
        cls.box_en = layout_centres("msgbox_en.xml")
        cls.box_zh = layout_centres("msgbox_zh.xml")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        subprocess.run(["wineserver", "-k"], env=cls.env_en)

    def setUp(self):
        self.server.control("reset")
        # No package from an earlier test: every test downloads its own.
        shutil.rmtree(self.drive_c("ProgramData", "Velmora"), ignore_errors=True)
        self.runs = []

    def tearDown(self):
        for run in self.runs:
            run.close()

    def start(self, env):
        run = Installer(self, env)
        self.runs.append(run)
        return run

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def log_text(self):
        paths = glob.glob(self.drive_c("users", "*", "AppData", "Roaming",
                                       "Velmorainstaller.log"))
        with open(paths[0], encoding="latin-1") as f:
            return f.read()

    def wait_step(self, step, count=1, timeout=120):
        wait_for(lambda: sum(1 for _, s in self.server.steps() if s == step) >= count, timeout,
                 "step %s x%d (got %r)" % (step, count, self.server.steps()))

    def test_english_install_into_a_typed_folder_then_open(self):
        size = os.path.getsize(PKG_OK)
        self.server.serve(PKG_OK)
        # Under one percent of the bar per second, so the 2 and 50 percent marks are seen.
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, size * 0.8 / 70))
        shutil.rmtree(self.drive_c("velmoratest"), ignore_errors=True)
        run = self.start(self.env_en)
        window = run.main_window()
        self.wait_step("DownloaderStart")
        pos = self.main_en
        # Without the agreement the install button does nothing.
        run.click(window, pos["accept"])
        run.click(window, pos["installbtn"])
        time.sleep(1)
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))
        self.assertEqual([window], run.windows(586))
        run.click(window, pos["accept"])
        run.type_folder(window, pos["dtedit"], "velmoratest")
        run.click(window, pos["installbtn"])
        # The window goes to the notification area while the work runs.
        wait_for(lambda: not run.windows(586), 30, "the window to hide")
        self.wait_step("SetupSuccess", timeout=300)
        window = run.main_window()
        steps = [s for _, s in self.server.steps()]
        self.assertEqual(["DownloaderStart", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupSuccess"], steps)
        self.assertEqual({"www.velmora.example"}, {h for h, _ in self.server.steps()})
        self.assertEqual(1, self.server.count("GET", "/qzadmin/down_speed.php"))
        # Every report of the run carries the same machine facts (probed once).
        profiles = {re.sub(r"&(sign|rand|step|interval|time)=[^&]*", "", r[3])
                    for r in self.server.requests() if r[2] == "/qzadmin/operate.php"}
        self.assertEqual(1, len(profiles), profiles)
        installed = self.drive_c("velmoratest", "Velmora", "Velmora.exe")
        self.assertTrue(os.path.exists(installed))
        log = self.log_text()
        self.assertRegex(log, r'I/CMainFrame -- install: "C:\\ProgramData\\Velmora\\Installer'
                              r'\\release\\Setup\.exe" /S /D=C:\\velmoratest\\Velmora\\\n')
        self.assertIn("CurDownloadLen=", log)
        # "Open" starts the installed program in its folder and ends the installer.
        run.click(window, pos["endbtn"])
        self.assertEqual(0, run.wait())
        marker = self.drive_c("velmoratest", "Velmora", "launched.txt")
        wait_for(lambda: os.path.exists(marker), 30, "the installed program to start")
        with open(marker) as f:
            self.assertIn("cwd=C:\\velmoratest\\Velmora", f.read())

    def test_chinese_failed_install_offers_retry_which_runs_the_package_again(self):
        self.server.serve(PKG_FAIL)
        run = self.start(self.env_zh)
        window = run.main_window()
        pos = self.main_zh
        run.click(window, pos["installbtn"])
        self.wait_step("SetupFailed", timeout=120)
        window = run.main_window()
        self.assertIn("/D=C:\\Program Files\\Velmora\\ return 5", self.log_text())
        self.assertEqual(1, self.server.count("GET", PACKAGE_PATH))
        # Retry: the verified package on disk is run again without a new transfer.
        run.click(window, pos["endbtn"])
        self.wait_step("SetupFailed", count=2, timeout=120)
        self.assertEqual(1, self.server.count("GET", PACKAGE_PATH))
        # A download done within a second still passed 2 % and 50 %; so did the retry, whose
        # bar went from 0 to full at once.
        self.assertEqual(["DownloaderStart", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupFailed", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupFailed"], [s for _, s in self.server.steps()])
        self.assertEqual({"tj.velmora.example"}, {h for h, _ in self.server.steps()})
        window = run.main_window()
        # Closing after a failure asks whether to give up the install; cancelling ends it.
        run.click(window, pos["closebtn"])
        box = run.message_box()
        run.click(box, self.box_zh["btnCancelSetup"])
        self.assertEqual(0, run.wait())
        self.assertEqual("CancelSetup", self.server.steps()[-1][1])

    def test_configuration_retry_box_comes_first_then_close_prompts_before_install(self):
        self.server.serve(PKG_OK, config_ok=False)
        run = self.start(self.env_en)
        box = run.message_box()
        self.assertEqual([], run.windows(586))
        self.assertNotIn("CMainFrame::CMainFrame()", self.log_text())
        self.assertEqual([], self.server.steps())
        self.server.serve(PKG_OK)
        run.click(box, self.box_en["btnRetry"])
        window = run.main_window()
        self.wait_step("DownloaderStart")
        # Close before installing: the install-not-finished box; "continue" keeps the window.
        run.click(window, self.main_en["closebtn"])
        box = run.message_box()
        run.click(box, self.box_en["btnContinueSetup"])
        self.wait_step("ContinueSetup")
        wait_for(lambda: not run.windows(300), 30, "the box to close")
        self.assertEqual([window], run.windows(586))
        self.assertIsNone(run.proc.poll())
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))
        # Alt+F4 asks the same, and then closes the installer even after "continue".
        run.click(window, (100, 100))
        xdo("key", "alt+F4")
        box = run.message_box()
        run.click(box, self.box_en["btnContinueSetup"])
        self.assertEqual(0, run.wait())
        self.assertEqual(["DownloaderStart", "ContinueSetup", "ContinueSetup"],
                         [s for _, s in self.server.steps()])


if __name__ == "__main__":
    unittest.main(verbosity=2)
