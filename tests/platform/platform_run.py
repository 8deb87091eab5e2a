"""What the platform tests add to the shared harness: their command line, the Windows-side
helper (platform_helper.exe) run to its end or alongside the installer, and the main window's
state as Windows sees it.

Every test script takes: <VelmoraInstaller.exe> <platform_helper.exe> <marker.dll>
                         <setup package> <source root> <wine prefix root>
"""
import os
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402,F401
    TITLE, TITLE_STRIP, InstallerTestCase, Installer, Prefix, Server, arguments, layout_centres,
    picture, wait_for, xdo)

INSTALLER, HELPER, MARKER_DLL, PACKAGE, _, PREFIX_ROOT = arguments(6)
MAIN_EN = layout_centres("main_en.xml", TITLE_STRIP)
BOX_EN = layout_centres("msgbox_en.xml")


def helper(prefix, *args, exe=HELPER, timeout=60):
    """Runs platform_helper (or a copy of it) to its end; its output. The output goes through a
    file: Wine's own processes, started by the first program, would keep a pipe open."""
    with tempfile.TemporaryFile(mode="w+") as out:
        subprocess.run(["wine", exe] + [str(a) for a in args], env=prefix.env, stdout=out,
                       stderr=subprocess.DEVNULL, timeout=timeout, cwd=os.path.dirname(exe))
        out.seek(0)
        return out.read().strip()


def main_window_state(prefix):
    """visible, iconic, enabled, foreground, popup of the installer's main window."""
    out = helper(prefix, "state", "UIMainFrame", TITLE)
    if out == "none":
        return None
    return dict((k, int(v)) for k, v in (p.split("=") for p in out.split()))


class HelperProcess:
    """platform_helper running alongside the installer: its output lines are collected as they
    come, commands go to its stdin."""

    def __init__(self, prefix, *args):
        self.proc = subprocess.Popen(["wine", HELPER] + [str(a) for a in args], env=prefix.env,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                     bufsize=1)
        self.lines = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.strip())

    def expect(self, predicate, what, timeout=60):
        return wait_for(lambda: [l for l in self.lines if predicate(l)], timeout, what)

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(timeout=10)
        except Exception:
            self.proc.kill()


class PlatformTestCase(InstallerTestCase):
    """The shared test case serving the package given on the command line before each test."""
    PREFIX_ROOT = PREFIX_ROOT
    PROGRAM = INSTALLER
    PERSISTENT = True

    def setUp(self):
        super().setUp()
        self.server.serve(PACKAGE)
