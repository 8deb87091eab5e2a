"""What every end-to-end driver of the installer shares: its arguments, the loopback server
serving a package and its configuration, one Wine prefix per test (with its user's folders, the
package folder and the log), runs of the installer from a folder of their own, and finding and
clicking its windows with xdotool.

A driver imports it after putting the tests folder on its path:
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from velmora_client import (  # noqa: E402,F401
    INSTALLER_TITLE as TITLE, click_at, installer_windows, layout_centres, wait_for, xdo)

PACKAGE_PATH = "/pkg/Setup.exe"
CONFIG_PATH = "/update/win/kelto/VLMU.ini"
TITLE_STRIP = 46  # the pages of the main layout start below the window buttons
MAIN_WIDTH, BOX_WIDTH = 586, 300
TRAY = "Wine System Tray"
PROXY_VARIABLES = ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                   "ALL_PROXY", "no_proxy", "NO_PROXY")


def arguments(count):
    """Takes the driver's own count arguments off the command line (unittest reads the rest)."""
    if len(sys.argv) <= count:
        sys.exit("usage: %s: %d arguments (see the module's text)" % (sys.argv[0], count))
    taken = [os.path.abspath(a) for a in sys.argv[1:1 + count]]
    del sys.argv[1:1 + count]
    return taken


def click_until(window, point, taken, tries=5, timeout=10):
    """Clicks until taken() is true: a window that has just come up may miss a click."""
    for _ in range(tries):
        click_at(window, point)
        try:
            return wait_for(taken, timeout, "the click to be taken")
        except AssertionError:
            pass
    return None


def retype_folder(text):
    """Replaces the folder in the focused folder field, keeping its drive ("C:\\"). Only
    unshifted keys: xdotool's shift does not reliably reach a Wine window."""
    xdo("key", "Home", "Right", "Right", "Right", *(["Delete"] * 60))
    xdo("type", "--delay", "30", text)
    time.sleep(0.3)


def picture(window, name):
    """A picture of the window in pictures/ under the test's working folder; its path."""
    folder = os.path.join(os.getcwd(), "pictures")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name)
    subprocess.run(["import", "-window", window, path], check=True)
    return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


def config_text(md5, address_path=PACKAGE_PATH, host="http://dl.velmora.example"):
    return "[full]\naddress=%s%s\nchecksum=%s\n" % (host, address_path, md5)


class Server(velmora_client.Server):
    def serve(self, package, config_ok=True, address_path=PACKAGE_PATH, checksum=None,
              config=None, rate=None, host="http://dl.velmora.example"):
        """Serves the package (a file name or its bytes) and a configuration naming it; a
        failing configuration host with config_ok=False. The package's MD5."""
        data = package if isinstance(package, bytes) else read(package)
        md5 = self.control("package?path=" + address_path, data)
        if rate:
            self.control("fault?path=%s&rate=%d" % (address_path, rate))
        if config is None:
            config = config_text(checksum or md5, address_path, host)
        if config_ok:
            self.control("config?path=" + CONFIG_PATH, config.encode())
        else:
            self.control("config?path=%s&status=500" % CONFIG_PATH,
                         b"<html>Internal Server Error</html>")
        return md5

    def step_names(self):
        return [s for _, s in self.steps()]

    def wait_step(self, step, count=1, timeout=120):
        wait_for(lambda: self.step_names().count(step) >= count, timeout,
                 "step %s x%d (got %r)" % (step, count, self.step_names()))

    def reports(self, path="/qzadmin/operate.php"):
        """The queries of the reports sent to path."""
        return [r[3] for r in self.requests() if r[2] == path]

    def config_requests(self):
        return self.count("GET", CONFIG_PATH)


class Prefix:
    """The test's own Wine prefix, every remote host reached through the proxy (the loopback
    server) unless proxy is None; display=False hides the X display from its programs. With
    persistent its Wine server runs until stop(), so Wine's own processes stay too: a program
    of the prefix run with a pipe for its output would then keep the pipe open."""

    def __init__(self, root, name, proxy=None, locale="en_US.UTF-8", overrides="",
                 display=True, persistent=False):
        self.path = subprocess.check_output(
            [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), root, name], text=True).strip()
        dlls = (overrides + ";" if overrides else "") + "mscoree,mshtml="
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES=dlls, LC_ALL=locale)
        for k in PROXY_VARIABLES:
            self.env.pop(k, None)
        if proxy:
            self.env["http_proxy"] = proxy
        if not display:
            self.env.pop("DISPLAY", None)
        if persistent:
            # One left by a run that was killed is used.
            subprocess.run(["wineserver", "-p"], env=self.env)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env)

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def user_home(self, *parts):
        users = [u for u in glob.glob(self.drive_c("users", "*"))
                 if os.path.basename(u) != "Public"]
        return os.path.join(users[0], *parts)

    def roaming(self, *parts):
        return self.user_home("AppData", "Roaming", *parts)

    def log_path(self):
        return self.roaming("Velmorainstaller.log")

    def package_folder(self, *parts):
        """Where an installer run as administrator keeps the package (release configuration)."""
        return self.drive_c("Program Files", "Velmora Installer", "release", *parts)

    def clear_downloads(self):
        """No package, and no folder of an older version, from an earlier test."""
        shutil.rmtree(self.drive_c("Program Files", "Velmora Installer"), ignore_errors=True)
        shutil.rmtree(self.roaming("BranoInst"), ignore_errors=True)

    def remove_log(self):
        if os.path.exists(self.log_path()):
            os.unlink(self.log_path())

    def log_text(self, path=None, missing=None):
        """The installer's log (or the file at path); missing when there is none (None: an
        error)."""
        path = path or self.log_path()
        if missing is not None and not os.path.exists(path):
            return missing
        with open(path, encoding="latin-1") as f:
            return f.read()

    def wine(self, *args, env=None):
        subprocess.run(["wine"] + [str(a) for a in args], env=env or self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def import_reg(self, body, env=None):
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
            f.write("REGEDIT4\n\n" + body)
        try:
            self.wine("regedit", "/S", f.name, env=env)
        finally:
            os.unlink(f.name)


def downloads_folder(prefix="velmora-downloads-", supported_cpu=True):
    """A folder of its own for one run (the user's Downloads)."""
    folder = tempfile.mkdtemp(prefix=prefix)
    if supported_cpu:
        support_any_cpu(folder)
    return folder


def support_any_cpu(folder):
    """The machine's processor may be one the product does not support: the file beside the
    installer that accepts it."""
    with open(os.path.join(folder, "AmdSupport.txt"), "w") as f:
        f.write("AMD\n")


class Installer:
    """One run of the installer (program) with the given arguments, from a folder of its own or
    the given folder. With copy the program is copied into the folder and run from there, else
    it runs where it is with the folder as its working folder. Arguments go to Wine as they
    are: a list element with a blank reaches the installer quoted, separate elements are joined
    with one blank. no_output: standard output and error closed, no handle for the installer to
    write to."""

    def __init__(self, env, program, folder=None, supported_cpu=True, copy=True, args=(),
                 stdout=None, no_output=False):
        self.own_folder = folder is None
        self.folder = folder or downloads_folder(supported_cpu=supported_cpu)
        if folder and supported_cpu:
            support_any_cpu(folder)
        self.exe = program
        if copy:
            self.exe = os.path.join(self.folder, "VelmoraInstaller.exe")
            if not os.path.exists(self.exe):
                shutil.copy(program, self.exe)
        self.started = time.time()
        command = ["bash", "-c", 'exec wine "$0" "$@" >&- 2>&-'] if no_output else ["wine"]
        self.proc = subprocess.Popen(command + [self.exe] + list(args), env=env,
                                     cwd=self.folder, stdout=stdout or subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def windows(self, width, title=TITLE):
        return installer_windows(width, title)

    def main_window(self, timeout=90, title=TITLE):
        return wait_for(lambda: self.windows(MAIN_WIDTH, title), timeout, "the main window")[-1]

    def message_box(self, timeout=90):
        return wait_for(lambda: self.windows(BOX_WIDTH), timeout, "a message box")[-1]

    def click(self, window, point):
        click_at(window, point)

    def wait(self, timeout=90):
        code = self.proc.wait(timeout=timeout)
        self.seconds = time.time() - self.started
        return code

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.own_folder:
            shutil.rmtree(self.folder, ignore_errors=True)


class InstallerTestCase(unittest.TestCase):
    """A loopback server and one Wine prefix (PREFIX under PREFIX_ROOT) for the class; every
    test starts from a reset server and an empty package folder, and what it started (in
    self.closers) is closed after it."""
    PREFIX = None
    PREFIX_ROOT = None
    PROGRAM = None  # the installer that start() runs
    OVERRIDES = ""
    DISPLAY = True
    PERSISTENT = False  # see Prefix

    @classmethod
    def setUpClass(cls):
        # Stopped after tearDownClass, and also when a later step of setUpClass fails.
        cls.server = Server()
        cls.addClassCleanup(cls.server.stop)
        cls.prefix = Prefix(cls.PREFIX_ROOT, cls.PREFIX, cls.server.url,
                            overrides=cls.OVERRIDES, display=cls.DISPLAY,
                            persistent=cls.PERSISTENT)
        cls.addClassCleanup(cls.prefix.stop)

    def setUp(self):
        self.server.control("reset")
        self.prefix.clear_downloads()
        self.closers = []

    def tearDown(self):
        for closer in reversed(self.closers):
            closer.close()

    def start(self, env=None, program=None, **kwargs):
        run = Installer(env or self.prefix.env, program or self.PROGRAM, **kwargs)
        self.closers.append(run)
        return run

    def steps(self):
        return self.server.step_names()

    def log_text(self):
        return self.prefix.log_text()
