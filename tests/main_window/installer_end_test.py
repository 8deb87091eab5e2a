#!/usr/bin/env python3
"""The installer under Wine + Xvfb against reporting hosts that are slow or never answer: the
window and its prompts must not wait for them, and every way out of the installer must end the
process promptly with exit code 0, whatever its download, progress and report threads are
doing at that moment.

usage: installer_end_test.py <VelmoraInstaller.exe> <close_window.exe> <end_driver.exe>
                             <exit_code.exe> <ok package> <source root> <wine prefix root>
                             <session_helper.exe>
Set VELMORA_END_RUNS to change the number of runs of the repeated-cancel tests (default 12).
"""
import os
import shutil
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    CONFIG_PATH, PACKAGE_PATH, TITLE_STRIP, InstallerTestCase, arguments, downloads_folder,
    installer_windows, layout_centres, read, wait_for, xdo)

INSTALLER, CLOSE_WINDOW, END_DRIVER, EXIT_CODE, PKG_OK, _, PREFIX_ROOT, SESSION_HELPER = \
    arguments(8)
# Bounds with wide margins: the queued reports get about 2 s at the end; a report host that
# never answers holds a request for 30 s.
WINDOW_BOUND = 5.0
PROMPT_BOUND = 5.0
END_BOUND = 8.0
CRASH_SIGNS = ("Unhandled", "page fault", "exception", "wine: ")


class Run:
    """One start of the installer (or of another program) through exit_code.exe, which prints
    the exit code Windows recorded; its output lines and what Wine wrote to stderr."""

    def __init__(self, env, command=(INSTALLER,)):
        self.env = env
        self.workdir = downloads_folder(prefix="velmora-end-")
        self.stderr_path = os.path.join(self.workdir, "stderr.txt")
        self.stderr = open(self.stderr_path, "w")
        self.proc = subprocess.Popen(["wine", EXIT_CODE] + list(command), env=env,
                                     cwd=self.workdir, stdout=subprocess.PIPE, stderr=self.stderr,
                                     text=True, errors="replace")
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.rstrip("\r\n"))

    def wait_line(self, text, timeout=60):
        wait_for(lambda: text in self.lines or self.proc.poll() is not None, timeout,
                 "the line " + text)
        return text in self.lines

    def exit_code(self, timeout):
        """The Windows exit code, or None while the program still runs after timeout."""
        if not self.wait_line_prefix("exit code ", timeout):
            return None
        return int([l for l in self.lines if l.startswith("exit code ")][-1].split()[-1])

    def wait_line_prefix(self, prefix, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if any(l.startswith(prefix) for l in self.lines):
                return True
            time.sleep(0.1)
        return False

    def windows(self, width):
        return installer_windows(width)

    def main_window(self, timeout=90):
        window = wait_for(lambda: self.windows(586), timeout, "the main window")[-1]
        self.settled(window)
        return window

    def message_box(self, timeout=60):
        box = wait_for(lambda: self.windows(300), timeout, "a message box")[-1]
        self.settled(box)
        return box

    @staticmethod
    def settled(window):
        """Waits until the window stays where it is: a box is created at the screen's corner
        and centred afterwards, and a click meant for it must not land where it was."""
        last = None
        for _ in range(30):
            where = xdo("getwindowgeometry", window)
            if where == last:
                return
            last = where
            time.sleep(0.2)

    def click(self, window, point):
        xdo("mousemove", "--window", window, point[0], point[1])
        time.sleep(0.2)
        xdo("click", "1")

    def ask_to_close(self):
        """WM_CLOSE to the main window, which may be hidden in the notification area."""
        subprocess.run(["wine", CLOSE_WINDOW, "UIMainFrame"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def errors(self):
        self.stderr.flush()
        with open(self.stderr_path, errors="replace") as f:
            return [line for line in f if any(sign in line for sign in CRASH_SIGNS)]

    def close(self):
        if not self.wait_line_prefix("exit code ", 0):
            # Still running (a failed run): end every program of the prefix, the one that
            # exit_code.exe started included.
            subprocess.run(["wineserver", "-k"], env=self.env)
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.stderr.close()
        shutil.rmtree(self.workdir, ignore_errors=True)


class InstallerEndTest(InstallerTestCase):
    PREFIX = "installer_end_e2e"
    PREFIX_ROOT = PREFIX_ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.env = cls.prefix.env
        # A crash must end the run with its exception code, not wait in a debugger dialog.
        cls.prefix.wine("reg", "add",
                        r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug",
                        "/v", "Debugger", "/d", "", "/f")
        cls.main = layout_centres("main_en.xml", TITLE_STRIP)
        cls.box = layout_centres("msgbox_en.xml")
        cls.package = read(PKG_OK)

    def start(self, *args, **kwargs):
        run = Run(self.env, *args, **kwargs)
        self.closers.append(run)
        return run

    def serve(self, config_ok=True, bytes_per_second=None):
        self.server.serve(self.package, config_ok, rate=bytes_per_second)

    def log_tail(self):
        try:
            return self.log_text().splitlines()[-8:]
        except (IndexError, OSError):
            return []

    def assert_ends_cleanly(self, run, bound, what):
        code = run.exit_code(bound)
        self.assertIsNotNone(code, "%s: still running %.0f s later; log ends %r; windows %r"
                             % (what, bound, self.log_tail(), run.windows(300)))
        self.assertEqual(0, code, "%s: exit code %#x, %r %r" % (what, code, run.errors(),
                                                                run.lines))
        self.assertEqual([], run.errors(), what)

    def test_silent_reporting_host_holds_up_neither_the_window_nor_its_prompts(self):
        self.serve()
        self.server.control("reports?silent=1")
        run = self.start()
        wait_for(lambda: self.server.count("GET", CONFIG_PATH), 60, "the configuration request")
        configured = time.time()
        wait_for(lambda: run.windows(586), 60, "the main window")
        self.assertLess(time.time() - configured, WINDOW_BOUND, "window shown late")
        window = run.main_window()
        wait_for(lambda: self.steps() == ["DownloaderStart"], 30, "DownloaderStart to arrive")
        # The close prompt opens at once, and "continue" closes it at once.
        run.click(window, self.main["closebtn"])
        box = run.message_box(timeout=PROMPT_BOUND)
        run.click(box, self.box["btnContinueSetup"])
        wait_for(lambda: not run.windows(300), PROMPT_BOUND, "the prompt to close")
        self.assertEqual([window], run.windows(586))
        # Cancelling ends the process within the bound, the host still not answering.
        run.click(window, self.main["closebtn"])
        box = run.message_box(timeout=PROMPT_BOUND)
        run.click(box, self.box["btnCancelSetup"])
        self.assert_ends_cleanly(run, END_BOUND, "cancel with a silent reporting host")
        self.assertIn("reports still queued at exit are dropped", self.log_text())

    def test_cancel_from_the_configuration_prompt_reaches_the_reporting_host(self):
        self.serve(config_ok=False)
        run = self.start()
        box = run.message_box()
        self.assertEqual([], run.windows(586))
        run.click(box, self.box["closebtn"])
        self.assert_ends_cleanly(run, END_BOUND, "close button of the configuration prompt")
        self.assertEqual([("www.velmora.example", "CancelSetup")], self.server.steps())

    def test_repeated_cancel_during_download_and_reports_always_ends_with_zero(self):
        # The download would take 140 s, so the bar shows 2 percent for about two seconds,
        # early on; each report takes the host 1.5 s to answer, so one is on its way at every
        # cancel.
        self.serve(bytes_per_second=len(self.package) // 140)
        self.server.control("reports?delay_ms=1500")
        runs = int(os.environ.get("VELMORA_END_RUNS", "12"))
        for index in range(runs):
            with self.subTest(run=index):
                self.server.control("clear_requests")
                # Every run downloads from the start, so the bar passes 2 percent in each.
                self.prefix.clear_downloads()
                run = self.start()
                try:
                    try:
                        window = run.main_window()
                    except AssertionError:
                        raise AssertionError("no main window in run %d; log ends %r; boxes %r"
                                             % (index, self.log_tail(), run.windows(300)))
                    if index % 2:
                        # Cancel while "ContinueSetup" from the same prompt is on its way.
                        run.click(window, self.main["closebtn"])
                        run.click(run.message_box(), self.box["btnContinueSetup"])
                        wait_for(lambda: not run.windows(300), PROMPT_BOUND,
                                 "the prompt to close")
                    run.click(window, self.main["installbtn"])
                    wait_for(lambda: "Percent2" in self.steps(), 60, "the 2 percent report")
                    run.ask_to_close()
                    run.click(run.message_box(), self.box["btnCancelSetup"])
                    self.assert_ends_cleanly(run, END_BOUND, "cancel in run %d" % index)
                finally:
                    # A run that failed must not live on: the next one would find its mutex
                    # and hand over to it instead of showing a window of its own.
                    run.close()

    def package_sent(self):
        """Bytes of the package the server has sent, over every GET of it."""
        return sum(int(r[6]) for r in self.server.requests()
                   if r[0] == "GET" and r[2] == PACKAGE_PATH)

    def start_held_download(self, size, sent):
        """A run whose download got the first `sent` bytes of a package of `size` in pieces of
        10,000, the server then holding the connection: all it sent has arrived, the last
        pieces still in the download's write buffer."""
        md5 = self.server.control("package?path=%s&size=%d&pattern=1" % (PACKAGE_PATH, size))
        self.server.control("fault?path=%s&rate=200000&stall_after=%d" % (PACKAGE_PATH, sent))
        self.server.control("config?path=%s" % CONFIG_PATH, (
            "[full]\naddress=http://dl.velmora.example%s\nchecksum=%s\n"
            % (PACKAGE_PATH, md5)).encode())
        self.prefix.clear_downloads()
        self.server.control("clear_requests")
        run = self.start()
        window = run.main_window()
        run.click(window, self.main["installbtn"])
        wait_for(lambda: self.package_sent() >= sent, 60, "the first %d bytes" % sent)
        time.sleep(1)  # on their way through the loopback
        return run

    def assert_partial_file_holds(self, sent):
        self.assertEqual(sent, self.package_sent())
        package = self.prefix.package_folder("Setup.exe")
        self.assertEqual(sent, os.path.getsize(package), "bytes received were thrown away")
        self.assertTrue(os.path.exists(package + ".cfg"))
        self.assertIn("download stopped", self.log_text())

    def test_cancel_during_download_keeps_every_byte_received_and_the_next_run_resumes(self):
        size, sent = 3 << 20, 300000
        run = self.start_held_download(size, sent)
        run.ask_to_close()
        run.click(run.message_box(), self.box["btnCancelSetup"])
        self.assert_ends_cleanly(run, END_BOUND, "cancel during the download")
        run.close()
        self.assert_partial_file_holds(sent)
        # The next run asks only for the rest and verifies the whole file.
        self.server.control("fault?path=%s&clear=1" % PACKAGE_PATH)
        self.server.control("clear_requests")
        run = self.start()
        window = run.main_window()
        run.click(window, self.main["installbtn"])
        wait_for(lambda: "SetupDownloaded" in self.steps(), 60, "the verified package")
        gets = [r for r in self.server.requests() if r[0] == "GET" and r[2] == PACKAGE_PATH]
        self.assertEqual(["bytes=%d-" % sent], [r[4] for r in gets])
        self.assertEqual(size - sent, self.package_sent())
        # A file of the pattern is no program: the run ends as a failed install.
        wait_for(lambda: "SetupFailed" in self.steps(), 60, "the failed install")
        run.ask_to_close()
        run.click(run.message_box(), self.box["btnCancelSetup"])
        self.assert_ends_cleanly(run, END_BOUND, "cancel after the failed install")

    def test_log_off_during_download_ends_the_run_and_keeps_every_byte_received(self):
        sent = 150000
        run = self.start_held_download(3 << 20, sent)
        ended = subprocess.run(["wine", SESSION_HELPER, "end", "UIMainFrame"], env=self.env,
                               capture_output=True, text=True)
        self.assertEqual(0, ended.returncode, "no main window to end")
        self.assert_ends_cleanly(run, END_BOUND, "log-off during the download")
        run.close()
        self.assert_partial_file_holds(sent)
        self.assertNotIn("CancelSetup", self.steps())

    def test_repeated_cancel_while_threads_read_shared_state_never_frees_it_under_them(self):
        # The same prompt in a driver whose threads never stop reading the state that report
        # and progress threads share: a download, step reports (answered after 0.5 s) and
        # readers of the reporting address, interval clock and processor name.
        md5 = self.server.control("package?path=" + PACKAGE_PATH, self.package)
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, len(self.package) // 140))
        self.server.control("reports?delay_ms=500")
        runs = int(os.environ.get("VELMORA_END_RUNS", "12"))
        for index in range(runs):
            with self.subTest(run=index):
                folder = "C:\\velmora-end\\%d" % index
                shutil.rmtree(self.prefix.drive_c("velmora-end"), ignore_errors=True)
                run = self.start((END_DRIVER, "http://dl.velmora.example" + PACKAGE_PATH, md5,
                                  folder))
                try:
                    self.assertTrue(run.wait_line("shown"), "no prompt: %r" % run.lines)
                    run.click(run.message_box(), self.box["btnCancelSetup"])
                    self.assert_ends_cleanly(run, END_BOUND, "cancel in run %d" % index)
                finally:
                    run.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
