"""Shared pieces of the platform tests: the command line, one Wine prefix per test with the
loopback server standing in for every remote host, runs of the real installer from a folder of
their own (the user's Downloads), and the Windows-side helper.

Every test script takes: <VelmoraInstaller.exe> <platform_helper.exe> <marker.dll>
                         <setup package> <source root> <wine prefix root>
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

INSTALLER, HELPER, MARKER_DLL, PACKAGE, SOURCE, PREFIX_ROOT = map(os.path.abspath, sys.argv[1:7])
del sys.argv[1:7]
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from velmora_client import (  # noqa: E402,F401
    click_at, installer_windows, layout_centres, wait_for, xdo)

TITLE = "VelmoraInstaller"
PACKAGE_PATH = "/pkg/Setup.exe"
CONFIG_PATH = "/update/win/kelto/VLMU.ini"
TITLE_STRIP = 46  # the pages of the main layout start below the window buttons
MAIN_EN = layout_centres("main_en.xml", TITLE_STRIP)
BOX_EN = layout_centres("msgbox_en.xml")


class Server(velmora_client.Server):
    def serve(self, package_file=PACKAGE, config_ok=True):
        with open(package_file, "rb") as f:
            md5 = self.control("package?path=" + PACKAGE_PATH, f.read())
        config = ("[full]\naddress=http://dl.velmora.example%s\nchecksum=%s\n"
                  % (PACKAGE_PATH, md5)).encode()
        if not config_ok:
            config = b"<html>Internal Server Error</html>"
        self.control("config?path=%s&status=%d" % (CONFIG_PATH, 200 if config_ok else 500),
                     config)

    def config_requests(self):
        return self.count("GET", CONFIG_PATH)


class Prefix:
    """The test's own Wine prefix and server, kept running across the installer's runs."""

    def __init__(self, name, server, overrides=""):
        self.path = subprocess.check_output(
            [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), PREFIX_ROOT, name],
            text=True).strip()
        dlls = (overrides + ";" if overrides else "") + "mscoree,mshtml="
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES=dlls, LC_ALL="en_US.UTF-8", http_proxy=server.url)
        for k in ("https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "no_proxy"):
            self.env.pop(k, None)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env)

    def roaming(self, *parts):
        found = glob.glob(os.path.join(self.path, "drive_c", "users", "*", "AppData", "Roaming"))
        return os.path.join(found[0], *parts) if found else None

    def package_folder(self, *parts):
        """Where an installer run as administrator keeps the package (release configuration)."""
        return os.path.join(self.path, "drive_c", "ProgramData", "Velmora", "Installer", "release",
                            *parts)

    def clear_downloads(self):
        shutil.rmtree(os.path.join(self.path, "drive_c", "ProgramData", "Velmora"),
                      ignore_errors=True)
        for folder in glob.glob(os.path.join(self.path, "drive_c", "users", "*", "AppData",
                                             "Roaming", "BranoInst")):
            shutil.rmtree(folder)

    def log_text(self):
        with open(self.roaming("Velmorainstaller.log"), encoding="latin-1") as f:
            return f.read()

    def helper(self, *args, exe=HELPER, timeout=60):
        """Runs platform_helper (or a copy of it) to its end; its output. The output goes
        through a file: Wine's own processes, started by the first program, would keep a pipe
        open."""
        with tempfile.TemporaryFile(mode="w+") as out:
            subprocess.run(["wine", exe] + [str(a) for a in args], env=self.env, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=timeout,
                           cwd=os.path.dirname(exe))
            out.seek(0)
            return out.read().strip()

    def helper_process(self, *args):
        """Starts platform_helper with a pipe to its stdin and from its stdout."""
        return subprocess.Popen(["wine", HELPER] + [str(a) for a in args], env=self.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                bufsize=1)

    def main_window_state(self):
        """visible, iconic, enabled, foreground, popup of the installer's main window."""
        out = self.helper("state", "UIMainFrame", TITLE)
        if out == "none":
            return None
        return dict((k, int(v)) for k, v in (p.split("=") for p in out.split()))


class Installer:
    """One run of the installer, copied into a folder of its own with the given extra files."""

    def __init__(self, prefix, folder=None, supported_cpu=True):
        self.folder = folder or tempfile.mkdtemp(prefix="velmora-downloads-")
        self.exe = os.path.join(self.folder, "VelmoraInstaller.exe")
        if not os.path.exists(self.exe):
            shutil.copy(INSTALLER, self.exe)
        if supported_cpu:
            # The machine's processor may be one the product does not support.
            with open(os.path.join(self.folder, "AmdSupport.txt"), "w") as f:
                f.write("AMD\n")
        self.proc = subprocess.Popen(["wine", self.exe], env=prefix.env, cwd=self.folder,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(self, width):
        return installer_windows(width)

    def main_window(self, timeout=90):
        return wait_for(lambda: self.windows(586), timeout, "the main window")[-1]

    def message_box(self, timeout=90):
        return wait_for(lambda: self.windows(300), timeout, "a message box")[-1]

    def click(self, window, point):
        click_at(window, point)

    def wait(self, timeout=90):
        return self.proc.wait(timeout=timeout)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class HelperProcess:
    """platform_helper running alongside the installer: its output lines are collected as they
    come, commands go to its stdin."""

    def __init__(self, prefix, *args):
        import threading
        self.proc = prefix.helper_process(*args)
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


class InstallerTestCase(unittest.TestCase):
    """A loopback server and one Wine prefix (named PREFIX) for the class; every test starts
    from a reset server and an empty download folder, and its installers and helpers are
    closed after it."""
    PREFIX = None

    @classmethod
    def setUpClass(cls):
        cls.server = Server()
        cls.prefix = Prefix(cls.PREFIX, cls.server)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop()
        cls.server.stop()

    def setUp(self):
        self.server.control("reset")
        self.server.serve()
        self.prefix.clear_downloads()
        self.closers = []

    def tearDown(self):
        for closer in reversed(self.closers):
            closer.close()

    def start(self, **kwargs):
        run = Installer(self.prefix, **kwargs)
        self.closers.append(run)
        return run
