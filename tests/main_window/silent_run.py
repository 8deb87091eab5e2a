"""What the command-line tests add to the shared harness: their arguments, the installer's exit
codes and report keys, runs with a command line, and the Windows-side session helper.

Each test script takes: <VelmoraInstaller.exe> <session_helper.exe> <ok package>
                        <failing package> <source root> <wine prefix root>
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402,F401
    CONFIG_PATH, PACKAGE_PATH, Installer, InstallerTestCase, arguments, config_text,
    downloads_folder, wait_for)

INSTALLER, HELPER, PKG_OK, PKG_FAIL, SOURCE_ROOT, PREFIX_ROOT = arguments(6)
# Built beside them (tests/main_window/test_package.nsi): installed, then that exit code; a
# package that waits 2 minutes before it installs.
PKG_REBOOT_REQUIRED, PKG_REBOOT_INITIATED, PKG_HANG = (
    os.path.join(os.path.dirname(PKG_OK), name)
    for name in ("setup_reboot3010.pkg", "setup_reboot1641.pkg", "setup_hang.pkg"))
# Runs a program and prints the exit code Windows recorded (Wine's own status keeps 8 bits).
EXIT_CODE = os.path.join(os.path.dirname(HELPER), "exit_code.exe")
# Where an administrator's silent run logs without /LOG=, in Windows' and in the prefix's terms.
SILENT_LOG = "C:\\Program Files\\Velmora Installer\\release\\Velmorainstaller.log"
# The exit codes of installer/exit_codes.h.
INSTALLED, BAD_COMMAND_LINE, ENDED_BY_SYSTEM, CONFIG_UNREACHABLE, CONFIG_REFUSED, \
    UNSUPPORTED, DOWNLOAD_FAILED, PACKAGE_REFUSED, PACKAGE_FAILED, ANOTHER_RUNNING, \
    NO_SAFE_PACKAGE_FOLDER, COM_UNAVAILABLE, NOT_ENOUGH_DISK_SPACE, PROXY_AUTH_REQUIRED = range(14)
REBOOT_INITIATED, REBOOT_REQUIRED = 1641, 3010
# The keys of a step report, in the order every report (the window's too) sends them.
STEP_KEYS = ["sys", "type", "sysver", "name", "version", "cpudes", "cpu", "memory", "gpu",
             "gpudriver", "vt", "sign", "rand", "mac", "hdsn", "guid", "step", "interval",
             "channel", "time"]
SPEED_KEYS = ["sign", "type", "rand", "channel", "mac", "speed"]


def query_keys(query):
    return [part.split("=", 1)[0] for part in query.split("&")]


class Run(Installer):
    """One run of the installer with the given arguments, from a folder of its own. With
    output, its standard output goes to a file (Wine's own processes would keep a pipe open)
    that output_text() reads."""

    def __init__(self, prefix, args, env=None, output=False, **kwargs):
        self.out = tempfile.TemporaryFile() if output else None
        if output:
            kwargs["stdout"] = self.out
        super().__init__(dict(prefix.env, **(env or {})), INSTALLER, args=args, **kwargs)

    def wait(self, timeout=180):
        return super().wait(timeout)

    def output_text(self):
        self.out.seek(0)
        return self.out.read().decode("latin-1")

    def close(self):
        super().close()
        if self.out:
            self.out.close()


class CommandLineTestCase(InstallerTestCase):
    """Runs every Windows program of the prefix without an X display unless DISPLAY."""
    PREFIX_ROOT = PREFIX_ROOT
    DISPLAY = False
    PERSISTENT = True

    def setUp(self):
        super().setUp()
        shutil.rmtree(self.prefix.drive_c("Deploy Target"), ignore_errors=True)
        self.prefix.remove_log()
        if os.path.exists(self.prefix.drive_c("silent log.txt")):
            os.remove(self.prefix.drive_c("silent log.txt"))

    def start(self, *args, **kwargs):
        run = Run(self.prefix, args, **kwargs)
        self.closers.append(run)
        return run

    def helper(self, *args):
        """Runs session_helper to its end: its exit code and output."""
        with tempfile.TemporaryFile(mode="w+") as out:
            code = subprocess.run(["wine", HELPER] + list(args), env=self.prefix.env,
                                  stdout=out, stderr=subprocess.DEVNULL, timeout=60).returncode
            out.seek(0)
            return code, out.read()

    def windows_exit_code(self, *args, env=None, timeout=180):
        """Runs the installer with args to its end, from a folder of its own; the whole exit
        code Windows recorded for it (3010 and 1641 do not fit Wine's 8-bit status)."""
        folder = downloads_folder()
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        exe = os.path.join(folder, "VelmoraInstaller.exe")
        shutil.copy(INSTALLER, exe)
        with tempfile.TemporaryFile(mode="w+") as out:
            subprocess.run(["wine", EXIT_CODE, exe] + list(args),
                           env=dict(self.prefix.env, **(env or {})), cwd=folder, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            last = out.read().strip().splitlines()[-1]
        self.assertTrue(last.startswith("exit code "), last)
        return int(last.split()[-1])

    def silent_log(self, missing=None):
        """The log of an administrator's silent run without /LOG= (in the package folder)."""
        return self.prefix.log_text(self.prefix.package_folder("Velmorainstaller.log"),
                                    missing=missing)

    def assert_nothing_fetched(self):
        self.assertEqual([], [r for r in self.server.requests() if not r[2].startswith("/_ctl")])
