#!/usr/bin/env python3
"""One installer per machine: a second copy, started from another folder while the first runs,
brings the first one's window back (here out of the notification area) and ends with 0
without fetching anything; an installer holding the machine's lock from another session (a
second process holding the lock as that installer does, without this session's marker: Wine
has one session) is named in a box, or ends a silent run with 9; a copy on a second Wine desktop
gets the same box once the first copy's window has not appeared in time; a mutex squatted by
another process delays the installer but does not stop it, and the log says why."""
import subprocess
import time
import unittest

from platform_run import (BOX_EN, INSTALLER, MAIN_EN, PACKAGE, HelperProcess, PlatformTestCase,
                          main_window_state, picture, wait_for)

MUTEX = "Global\\VelmoraInstaller.{5d3f8a52-6c1e-4b7e-9d2a-0e4f7b1c9a63}"
INSTALLERS_LOCK = "O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)"  # owner Administrators, as the installer makes it


class Closer:
    """Ends a process a test started itself, if it is still running."""

    def __init__(self, proc):
        self.proc = proc

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class SingleInstanceTest(PlatformTestCase):
    PREFIX = "single_instance_e2e"

    def test_second_copy_brings_the_first_back_and_fetches_nothing(self):
        first = self.start()
        window = first.main_window()
        self.assertEqual(1, self.server.config_requests())
        first.click(window, MAIN_EN["minbtn"])
        wait_for(lambda: not first.windows(586), 30, "the window to go to the tray")
        self.assertEqual(0, main_window_state(self.prefix)["visible"])

        second = self.start()
        self.assertEqual(0, second.wait(timeout=60))
        wait_for(lambda: first.windows(586), 30, "the first copy's window to come back")
        state = main_window_state(self.prefix)
        self.assertEqual((1, 0), (state["visible"], state["iconic"]))
        self.assertIsNone(first.proc.poll())
        self.assertEqual(1, self.server.config_requests())
        self.assertEqual(["DownloaderStart"], self.steps())
        self.assertNotIn("mutex", self.prefix.log_text())

    def test_second_copy_during_the_first_ones_configuration_prompt_fetches_nothing(self):
        self.server.serve(PACKAGE, config_ok=False)
        first = self.start()
        box = first.message_box()
        self.assertEqual(1, self.server.config_requests())
        second = self.start()
        self.assertEqual(0, second.wait(timeout=60))
        self.assertEqual(1, self.server.config_requests())
        self.assertEqual([box], first.windows(300))
        self.assertIsNone(first.proc.poll())

    def test_an_installer_in_another_session_is_named_and_a_silent_run_gets_9(self):
        other = HelperProcess(self.prefix, "squat", MUTEX, INSTALLERS_LOCK)
        self.closers.append(other)
        other.expect(lambda l: l == "held", "the other session's installer to hold the lock")
        run = self.start()
        box = run.message_box(timeout=30)
        self.assertLess(time.time() - run.started, 20)  # told at once, not after a wait
        self.assertEqual([], run.windows(586))
        picture(box, "another_installation_box.png")
        run.click(box, BOX_EN["btnISee"])
        self.assertEqual(0, run.wait(timeout=30))
        silent = self.start(args=["/S"])
        self.assertEqual(9, silent.wait(timeout=60))
        self.assertEqual(0, self.server.config_requests())
        # Once that installer has ended, the next one runs.
        other.close()
        self.start().main_window(timeout=60)

    def test_a_copy_on_a_second_wine_desktop_never_runs_beside_the_first(self):
        # Wine has one session, so the session marker is seen, but a second Wine desktop hides
        # the first copy's window: after the 40 s a running copy has to show it, the box, as an
        # installer's lock is never overridden (before, it started all the same).
        first = self.start()
        first.main_window()
        second = subprocess.Popen(["wine", "explorer", "/desktop=second,640x480", INSTALLER],
                                  env=self.prefix.env, cwd=first.folder,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.closers.append(Closer(second))
        box = wait_for(lambda: first.windows(300), 90, "the box on the second desktop")[-1]
        self.assertGreater(time.time() - first.started, 30)
        picture(box, "second_desktop_box.png")
        self.assertEqual(1, self.server.config_requests())
        first.click(box, BOX_EN["btnISee"])
        wait_for(lambda: second.poll() is not None, 30, "the second copy to end")
        self.assertIsNone(first.proc.poll())
        self.assertEqual(1, self.server.config_requests())

    def test_a_squatted_mutex_delays_the_installer_but_does_not_stop_it(self):
        squatter = HelperProcess(self.prefix, "squat", MUTEX)
        self.closers.append(squatter)
        squatter.expect(lambda l: l == "held", "the squatter to hold the mutex")
        started = time.time()
        run = self.start()
        run.main_window(timeout=120)
        self.assertGreater(time.time() - started, 30)
        self.assertIn("W/WinMain -- the installer's mutex is held by a process that shows no "
                      "installer window (error 183); starting all the same",
                      self.prefix.log_text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
