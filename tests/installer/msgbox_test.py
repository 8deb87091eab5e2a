#!/usr/bin/env python3
"""Drives the real message box under Wine + Xvfb as a user would: clicks its buttons with
xdotool and checks what is visible, the process's exit code and the reports the server got.

usage: msgbox_test.py <msgbox_driver.exe> <source root> <wine prefix root>
"""
import os
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    TITLE, Prefix, Server, arguments, click_at, layout_centres, wait_for, xdo)

DRIVER, _, PREFIX_ROOT = arguments(3)
RETURNED = 3


class Box:
    """One run of the driver: reads its dump, finds its window, clicks, waits for the end."""

    def __init__(self, env, kind, text=None):
        args = ["wine", DRIVER, str(kind)] + ([text] if text is not None else [])
        self.proc = subprocess.Popen(args, env=env, stdout=subprocess.PIPE, text=True,
                                     encoding="utf-8", errors="replace")
        self.lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise AssertionError("driver ended before showing the box: %r" % self.lines)
            line = line.rstrip("\r\n")
            self.lines.append(line)
            if line == "shown":
                break
        self.visible = set(self.value("visible").split(",")) - {""}
        self.window = self.find_window()
        self.rest = []
        threading.Thread(target=self._drain, daemon=True).start()

    def _drain(self):
        for line in self.proc.stdout:
            self.rest.append(line.rstrip("\r\n"))

    def value(self, key):
        for line in self.lines:
            if line.startswith(key + "=") or line.startswith(key + ": "):
                return line.split("=", 1)[1] if line.startswith(key + "=") else line.split(": ", 1)[1]
        return None

    def find_window(self):
        return wait_for(lambda: xdo("search", "--onlyvisible", "--name", TITLE), 10,
                        "the message box window", 0.05)[-1]

    def click(self, x, y):
        click_at(self.window, (x, y), settle=0.2)

    def keys(self, *names):
        """Key presses to the box, which has the keyboard focus (no mouse)."""
        xdo("windowfocus", "--sync", self.window)
        time.sleep(0.3)
        for name in names:
            xdo("key", name)
            time.sleep(0.25)

    def wait(self):
        return self.proc.wait(timeout=60)


class MessageBoxTest(unittest.TestCase):
    server = None

    @classmethod
    def setUpClass(cls):
        cls.server = Server()
        cls.prefix = Prefix(PREFIX_ROOT, "msgbox_tests", cls.server.url)
        cls.env_en = cls.prefix.env
        cls.env_zh = dict(cls.prefix.env, LC_ALL="zh_CN.UTF-8")
        cls.pos_en = layout_centres("msgbox_en.xml")
        cls.pos_zh = layout_centres("msgbox_zh.xml")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        cls.prefix.stop()

    def setUp(self):
        self.server.control("clear_requests")

    def run_box(self, kind, button, text=None, zh=False):
        box = Box(self.env_zh if zh else self.env_en, kind, text)
        pos = (self.pos_zh if zh else self.pos_en)[button]
        self.assertIn(button, box.visible)
        box.click(*pos)
        return box, box.wait()

    def run_box_keys(self, kind, keys, text=None):
        box = Box(self.env_en, kind, text)
        box.keys(*keys)
        return box, box.wait()

    def test_keyboard_enter_gives_each_kind_its_positive_or_only_answer(self):
        # kind, the button the keyboard starts on, exit code, reports
        for kind, default, code, steps in ((1, "btnISee", RETURNED, []),
                                           (2, "btnQuitCenter", 0, []),
                                           (3, "btnRetry", RETURNED, []),
                                           (4, "btnContinueSetup", RETURNED, ["ContinueSetup"]),
                                           (5, "btnOK", 0, []),
                                           (6, "btnQuitCenter", 0, [])):
            with self.subTest(kind=kind):
                self.server.control("clear_requests")
                box, got = self.run_box_keys(kind, ["Return"], "XXCLOSE")
                self.assertEqual(default, box.value("focus"))
                self.assertEqual(code, got)
                self.assertEqual(steps, self.server.step_names())

    def test_keyboard_esc_is_the_close_button_through_the_orderly_exit(self):
        # Where the close answer quits, it reports CancelSetup and ends with 0; elsewhere it
        # reports ContinueSetup and returns.
        for kind, code, step in ((1, RETURNED, "ContinueSetup"), (2, 0, "CancelSetup"),
                                 (3, 0, "CancelSetup"), (4, RETURNED, "ContinueSetup"),
                                 (5, RETURNED, "ContinueSetup"), (6, 0, "CancelSetup")):
            with self.subTest(kind=kind):
                self.server.control("clear_requests")
                _, got = self.run_box_keys(kind, ["Escape"], "XXCLOSE")
                self.assertEqual(code, got)
                self.assertEqual([step], self.server.step_names())

    def test_keyboard_tab_reaches_the_other_answer(self):
        # Tab from Continue to Cancel: Enter gives up the install.
        _, code = self.run_box_keys(4, ["Tab", "Return"], "XXCLOSE")
        self.assertEqual(0, code)
        self.assertEqual(["CancelSetup"], self.server.step_names())
        # Tab wraps round the two buttons of the retry box (the close button is Esc's):
        # Retry, Quit, Retry.
        self.server.control("clear_requests")
        _, code = self.run_box_keys(3, ["Tab", "Tab", "Return"])
        self.assertEqual(RETURNED, code)
        self.assertEqual([], self.server.steps())

    def test_config_failed_retry_returns_and_quit_ends_without_report(self):
        box, code = self.run_box(3, "btnRetry")
        self.assertEqual({"msg31", "btnRetry", "btnQuit", "closebtn"}, box.visible)
        # Labels drag the box (HTCAPTION 2); buttons stay client (HTCLIENT 1).
        self.assertEqual("msg31:2,closebtn:1,btnQuit:1,btnRetry:1", box.value("hits"))
        # A rounded region (complex, 3): the very corner is cut off, the middle is inside.
        self.assertEqual("3 corner=0 inside=1", box.value("region"))
        self.assertEqual(RETURNED, code)
        box, code = self.run_box(3, "btnQuit")
        self.assertEqual(0, code)
        self.assertEqual([], self.server.steps())

    def test_config_failed_close_button_reports_cancel_then_ends(self):
        _, code = self.run_box(3, "closebtn")
        self.assertEqual(0, code)
        self.assertEqual([("www.velmora.example", "CancelSetup")], self.server.steps())

    def test_xp_advice_close_reports_continue_and_i_see_reports_nothing(self):
        box, code = self.run_box(1, "closebtn")
        self.assertEqual({"msg21", "msg22", "msg23", "btnISee", "closebtn"}, box.visible)
        self.assertEqual(RETURNED, code)
        self.assertEqual([("www.velmora.example", "ContinueSetup")], self.server.steps())
        self.server.control("clear_requests")
        _, code = self.run_box(1, "btnISee")
        self.assertEqual(RETURNED, code)
        self.assertEqual([], self.server.steps())

    def test_install_not_finished_continue_and_cancel(self):
        box, code = self.run_box(4, "btnContinueSetup", "XXCLOSE")
        self.assertEqual({"msg41", "btnContinueSetup", "btnCancelSetup", "closebtn"}, box.visible)
        self.assertEqual(RETURNED, code)
        self.assertEqual([("www.velmora.example", "ContinueSetup")], self.server.steps())
        self.server.control("clear_requests")
        _, code = self.run_box(4, "btnCancelSetup", "XXCLOSE")
        self.assertEqual(0, code)
        self.assertEqual([("www.velmora.example", "CancelSetup")], self.server.steps())

    def test_confirm_exit_buttons(self):
        box, code = self.run_box(5, "btnOK", "XXCLOSE")
        self.assertEqual({"msg51", "btnOK", "btnCancel", "closebtn"}, box.visible)
        self.assertEqual(0, code)
        _, code = self.run_box(5, "btnCancel", "XXCLOSE")
        self.assertEqual(RETURNED, code)
        self.assertEqual([], self.server.steps())
        _, code = self.run_box(5, "closebtn", "XXCLOSE")
        self.assertEqual(RETURNED, code)
        self.assertEqual([("www.velmora.example", "ContinueSetup")], self.server.steps())

    def test_processor_name_wraps_after_thirty_characters(self):
        name = "AMD Athlon(tm) II X4 640 Processor"
        box, code = self.run_box(2, "btnQuitCenter", name)
        self.assertEqual({"msg11", "msg12", "msg13", "btnQuitCenter", "closebtn"}, box.visible)
        self.assertEqual("AMD Athlon(tm) II X4 640 Proce", box.value("msg12"))
        self.assertEqual("ssor CPU temporarily.", box.value("msg13"))
        self.assertEqual(0, code)
        exact = "AMD Athlon(tm) II X4 640 Proce"
        box, code = self.run_box(2, "btnQuitCenter", exact)
        self.assertEqual(exact, box.value("msg12"))
        self.assertEqual(" CPU temporarily.", box.value("msg13"))
        self.assertEqual(0, code)
        self.assertEqual([], self.server.steps())

    def test_incompatible_system(self):
        box, code = self.run_box(6, "btnQuitCenter")
        self.assertEqual({"msg61", "msg62", "btnQuitCenter", "closebtn"}, box.visible)
        self.assertEqual(0, code)

    def test_chinese_boxes(self):
        box, code = self.run_box(2, "closebtn", "AMD Athlon(tm) II X4 640 Processor", zh=True)
        self.assertEqual("ssor 型号CPU", box.value("msg13"))
        self.assertEqual(0, code)
        self.assertEqual([("tj.velmora.example", "CancelSetup")], self.server.steps())
        self.server.control("clear_requests")
        _, code = self.run_box(4, "btnContinueSetup", "XXCLOSE", zh=True)
        self.assertEqual(RETURNED, code)
        self.assertEqual([("tj.velmora.example", "ContinueSetup")], self.server.steps())


if __name__ == "__main__":
    unittest.main(verbosity=2)
