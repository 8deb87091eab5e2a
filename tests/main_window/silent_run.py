"""Shared pieces of the command-line tests: the arguments, a Wine prefix of the test's own with
the loopback server standing in for every remote host, and runs of the installer with a command
line, from a folder of their own.

Each test script takes: <VelmoraInstaller.exe> <session_helper.exe> <ok package>
                        <failing package> <source root> <wine prefix root>
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

INSTALLER, HELPER, PKG_OK, PKG_FAIL, SOURCE, PREFIX_ROOT = map(os.path.abspath, sys.argv[1:7])
del sys.argv[1:7]
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from velmora_client import wait_for  # noqa: E402,F401

PACKAGE_PATH = "/pkg/Setup.exe"
CONFIG_PATH = "/update/win/kelto/VLMU.ini"
# The exit codes of installer/exit_codes.h.
INSTALLED, BAD_COMMAND_LINE, ENDED_BY_SYSTEM, CONFIG_UNREACHABLE, CONFIG_REFUSED, \
    UNSUPPORTED, DOWNLOAD_FAILED, PACKAGE_REFUSED, PACKAGE_FAILED, ANOTHER_RUNNING = range(10)
# The keys of a step report, in the order every report (the window's too) sends them.
STEP_KEYS = ["sys", "type", "sysver", "name", "version", "cpudes", "cpu", "memory", "gpu",
             "gpudriver", "vt", "sign", "rand", "mac", "hdsn", "guid", "step", "interval",
             "channel", "time"]
SPEED_KEYS = ["sign", "type", "rand", "channel", "mac", "speed"]


def query_keys(query):
    return [part.split("=", 1)[0] for part in query.split("&")]


class Server(velmora_client.Server):
    def serve(self, package_file=PKG_OK, checksum=None, config=None):
        with open(package_file, "rb") as f:
            md5 = self.control("package?path=" + PACKAGE_PATH, f.read())
        if config is None:
            config = ("[full]\naddress=http://dl.velmora.example%s\nchecksum=%s\n"
                      % (PACKAGE_PATH, checksum or md5))
        self.control("config?path=%s" % CONFIG_PATH, config.encode())
        return md5

    def reports(self, path="/qzadmin/operate.php"):
        return [r[3] for r in self.requests() if r[2] == path]


class Prefix:
    """The test's Wine prefix; display=False runs every Windows program without an X display."""

    def __init__(self, name, server, display):
        self.path = subprocess.check_output(
            [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), PREFIX_ROOT, name],
            text=True).strip()
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="en_US.UTF-8",
                        http_proxy=server.url)
        for k in ("https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "no_proxy"):
            self.env.pop(k, None)
        if not display:
            self.env.pop("DISPLAY", None)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env)

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def roaming(self, *parts):
        found = glob.glob(self.drive_c("users", "*", "AppData", "Roaming"))
        return os.path.join(found[0], *parts)

    def clear(self):
        for folder in glob.glob(self.drive_c("users", "*", "AppData", "Roaming", "BranoInst")):
            shutil.rmtree(folder)
        shutil.rmtree(self.drive_c("ProgramData", "Velmora"), ignore_errors=True)
        shutil.rmtree(self.drive_c("Deploy Target"), ignore_errors=True)
        for log in (self.roaming("Velmorainstaller.log"), self.drive_c("silent log.txt")):
            if os.path.exists(log):
                os.remove(log)

    def log_text(self, path=None):
        with open(path or self.roaming("Velmorainstaller.log"), encoding="latin-1") as f:
            return f.read()

    def helper(self, *args):
        with tempfile.TemporaryFile(mode="w+") as out:
            code = subprocess.run(["wine", HELPER] + list(args), env=self.env, stdout=out,
                                  stderr=subprocess.DEVNULL, timeout=60).returncode
            out.seek(0)
            return code, out.read()


class Run:
    """One run of the installer with the given arguments, from a folder of its own. Arguments
    go to Wine as they are: a list element with a blank reaches the installer quoted, separate
    elements are joined with one blank (how /D= is written unquoted)."""

    def __init__(self, prefix, args, env=None, supported_cpu=True, stdout=None,
                 no_output=False):
        self.folder = tempfile.mkdtemp(prefix="velmora-cmdline-")
        self.exe = os.path.join(self.folder, "VelmoraInstaller.exe")
        shutil.copy(INSTALLER, self.exe)
        if supported_cpu:
            with open(os.path.join(self.folder, "AmdSupport.txt"), "w") as f:
                f.write("AMD\n")
        self.started = time.time()
        # no_output: standard output and error closed, no handle for the installer to write to.
        command = (["bash", "-c", 'exec wine "$0" "$@" >&- 2>&-'] if no_output else ["wine"])
        self.proc = subprocess.Popen(command + [self.exe] + list(args),
                                     env=dict(prefix.env, **(env or {})), cwd=self.folder,
                                     stdout=stdout or subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def wait(self, timeout=180):
        code = self.proc.wait(timeout=timeout)
        self.seconds = time.time() - self.started
        return code

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class CommandLineTestCase(unittest.TestCase):
    PREFIX = None
    DISPLAY = False

    @classmethod
    def setUpClass(cls):
        cls.server = Server()
        cls.prefix = Prefix(cls.PREFIX, cls.server, cls.DISPLAY)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop()
        cls.server.stop()

    def setUp(self):
        self.server.control("reset")
        self.prefix.clear()
        self.runs = []

    def tearDown(self):
        for run in self.runs:
            run.close()

    def start(self, *args, **kwargs):
        run = Run(self.prefix, args, **kwargs)
        self.runs.append(run)
        return run

    def assert_nothing_fetched(self):
        self.assertEqual([], [r for r in self.server.requests() if not r[2].startswith("/_ctl")])
