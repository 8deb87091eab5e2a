#!/usr/bin/env python3
"""The whole installer under Wine + Xvfb, used as a user would: xdotool clicks and typing on
the real windows, a loopback server standing in for the configuration, package and reporting
hosts, and real silent setup packages (built with makensis) that install a stand-in program.

usage: main_window_test.py <VelmoraInstaller.exe> <ok package> <failing package>
                           <source root> <wine prefix root>
"""
import os
import re
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    PACKAGE_PATH, TITLE_STRIP, Installer, InstallerTestCase, arguments, layout_centres,
    retype_folder, wait_for, xdo)

INSTALLER, PKG_OK, PKG_FAIL, _, PREFIX_ROOT = arguments(5)


class Run(Installer):
    """The installer run where it was built, from a working folder of its own."""

    def __init__(self, env):
        super().__init__(env, INSTALLER, copy=False)

    def main_window(self, timeout=60):
        return super().main_window(timeout)

    def message_box(self, timeout=60):
        return super().message_box(timeout)

    def type_folder(self, window, point, text):
        self.click(window, point)
        retype_folder(text)


class MainWindowTest(InstallerTestCase):
    PREFIX = "main_window_e2e"
    PREFIX_ROOT = PREFIX_ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.env_en = cls.prefix.env
        cls.env_zh = dict(cls.prefix.env, LC_ALL="zh_CN.UTF-8")
        cls.main_en = layout_centres("main_en.xml", TITLE_STRIP)
        cls.main_zh = layout_centres("main_zh.xml", TITLE_STRIP)
        cls.box_en = layout_centres("msgbox_en.xml")
        cls.box_zh = layout_centres("msgbox_zh.xml")

    def start(self, env):
        run = Run(env)
        self.closers.append(run)
        return run

    def drive_c(self, *parts):
        return self.prefix.drive_c(*parts)

    def wait_step(self, step, count=1, timeout=120):
        self.server.wait_step(step, count, timeout)

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
        steps = self.steps()
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
        self.assertRegex(log, r'I/CMainFrame -- install: "C:\\Program Files\\Velmora Installer'
                              r'\\release\\Setup\.exe" /S /D=C:\\velmoratest\\Velmora\\\n')
        self.assertIn("CurDownloadLen=", log)
        # "Open" starts the installed program in its folder and ends the installer: as the
        # desktop user through the desktop's shell, since Wine's token reads as elevated and
        # split and Wine's explorer keeps the desktop window.
        run.click(window, pos["endbtn"])
        self.assertEqual(0, run.wait())
        marker = self.drive_c("velmoratest", "Velmora", "launched.txt")
        wait_for(lambda: os.path.exists(marker), 30, "the installed program to start")
        with open(marker) as f:
            self.assertIn("cwd=C:\\velmoratest\\Velmora", f.read())
        self.assertIn("I/DesktopLaunch -- installed program started as the desktop user through "
                      "the desktop's shell: C:\\velmoratest\\Velmora\\Velmora.exe\n",
                      self.log_text())
        # A test build says at once what it relaxes.
        self.assertIn("W/WinMain -- development build: configuration fetched over http; ",
                      self.log_text())

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
                          "SetupFailed"], self.steps())
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
                         self.steps())


if __name__ == "__main__":
    unittest.main(verbosity=2)
