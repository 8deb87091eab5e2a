#!/usr/bin/env python3
"""Windows behaving as users expect, driven with xdotool: Alt+F4 on the boxes whose one
button ends the installer ends it; a notification area that refuses the icon leaves the
window minimised on the taskbar, and one that restarts (Explorer's "TaskbarCreated") gets
the icon back; the folder browser is owned by the main window, which takes no input meanwhile.
A stand-in notification area (platform_helper tray) answers the installer's icon requests."""
import time
import unittest

from platform_run import (BOX_EN, MAIN_EN, HelperProcess, PlatformTestCase, main_window_state,
                          wait_for, xdo)

CPU_KEY = "HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"


class WindowBehaviourTest(PlatformTestCase):
    PREFIX = "window_behaviour_e2e"

    def reg(self, *args):
        self.prefix.wine("reg", *args, "/f")

    def alt_f4(self, run, box):
        run.click(box, BOX_EN["msg11"])
        xdo("key", "alt+F4")
        return run.wait(timeout=60)

    def test_alt_f4_on_the_unsupported_processor_box_ends_the_installer(self):
        self.reg("add", CPU_KEY, "/v", "ProcessorNameString", "/d",
                 "AMD Athlon(tm) II X4 640 Processor")
        run = self.start(supported_cpu=False)
        box = run.message_box()
        self.assertEqual(0, self.alt_f4(run, box))
        self.assertEqual([], run.windows(586))

    def test_alt_f4_on_the_incompatible_system_box_ends_the_installer(self):
        self.reg("add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "win2k")
        try:
            run = self.start()
            box = run.message_box()
            self.assertEqual(0, self.alt_f4(run, box))
            self.assertEqual([], run.windows(586))
        finally:
            self.reg("delete", "HKCU\\Software\\Wine", "/v", "Version")

    def tray(self, mode):
        tray = HelperProcess(self.prefix, "tray", mode)
        self.closers.append(tray)
        tray.expect(lambda l: l.startswith("tray ready"), "the stand-in notification area")
        return tray

    def icon_requests(self, tray, message, answer):
        return [l for l in tray.lines
                if l.startswith("notify %d " % message) and "id=128 " in l
                and l.endswith("answer=%d" % answer)]

    def test_refused_icon_minimises_to_the_taskbar(self):
        tray = self.tray("fail")
        run = self.start()
        window = run.main_window()
        run.click(window, MAIN_EN["minbtn"])
        wait_for(lambda: self.icon_requests(tray, 0, 0), 30, "the refused icon")
        wait_for(lambda: main_window_state(self.prefix)["iconic"], 30, "a minimised window")
        self.assertEqual(1, main_window_state(self.prefix)["visible"])
        self.assertIn("W/CMainFrame -- notification area icon not added: minimised to the taskbar",
                      self.prefix.log_text())

    def test_icon_comes_back_after_the_notification_area_restarts(self):
        tray = self.tray("accept")
        run = self.start()
        window = run.main_window()
        run.click(window, MAIN_EN["minbtn"])
        wait_for(lambda: self.icon_requests(tray, 0, 1), 30, "the icon")
        wait_for(lambda: not run.windows(586), 30, "the window to go to the tray")
        tray.send("restart accept")
        wait_for(lambda: len(self.icon_requests(tray, 0, 1)) == 2, 30, "the icon added again")
        # The icon works: a click on it brings the window back and takes the icon away.
        tray.send("click")
        wait_for(lambda: run.windows(586), 30, "the window back from the tray")
        wait_for(lambda: self.icon_requests(tray, 2, 1), 30, "the icon removed")
        # Restarted once more, but refusing now: the hidden window comes to the taskbar.
        run.click(run.main_window(), MAIN_EN["minbtn"])
        wait_for(lambda: len(self.icon_requests(tray, 0, 1)) == 3, 30, "the icon")
        tray.send("restart fail")
        wait_for(lambda: self.icon_requests(tray, 0, 0), 30, "the refused icon")
        wait_for(lambda: main_window_state(self.prefix)["iconic"], 30, "a minimised window")
        self.assertEqual(1, main_window_state(self.prefix)["visible"])

    def test_folder_browser_is_owned_and_the_main_window_takes_no_input(self):
        run = self.start()
        window = run.main_window()
        run.click(window, MAIN_EN["browse"])
        state = wait_for(lambda: (lambda s: s if s["popup"] else None)(
            main_window_state(self.prefix)), 30, "the browser owned by the main window")
        self.assertEqual(0, state["enabled"])
        # The minimise button does nothing while the browser is open.
        run.click(window, MAIN_EN["minbtn"])
        time.sleep(1)
        self.assertEqual([window], run.windows(586))
        xdo("key", "Escape")
        wait_for(lambda: main_window_state(self.prefix)["enabled"], 30,
                 "the browser to close")
        wait_for(lambda: "T/OpenDirectoryDialog -- Selected directory: \n" in self.prefix.log_text(),
                 30, "the cancelled browser's log line")


if __name__ == "__main__":
    unittest.main(verbosity=2)
