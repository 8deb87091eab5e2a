#!/usr/bin/env python3
"""The whole installer under Wine + Xvfb with settings that come from Windows itself rather than
from the test's environment: a proxy set only in Internet Options (this prefix's registry, no
http_proxy), and a roaming application-data folder whose name holds a double-byte character
with 0x5C as its second byte, in the Chinese (936) and Japanese (932) code pages.

usage: windows_settings_test.py <VelmoraInstaller.exe> <ok package> <failing package>
                                <source root> <wine prefix root>
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import main_window_test as e2e  # noqa: E402  (takes its five arguments from sys.argv)
from velmora_client import layout_centres  # noqa: E402

INTERNET_SETTINGS = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
# "x", U+661E, U+8868: x 0x95 0x5C 0xB1 0xED in code page 936, x 0xFA 0xD3 0x95 0x5C in 932.
DOUBLE_BYTE_NAME = "x\u661e\u8868"


def connection_settings(proxy, bypass):
    """DefaultConnectionSettings as Internet Options writes it, with a fixed proxy (flags 3)."""
    def dword(v):
        return v.to_bytes(4, "little")
    blob = dword(0x46) + dword(1) + dword(3)
    for text in (proxy.encode(), bypass.encode(), b""):
        blob += dword(len(text)) + text
    return blob + bytes(32)


class WindowsSettingsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = e2e.Server()
        cls.prefix = subprocess.check_output(
            [os.path.join(e2e.SOURCE, "scripts", "wine-prefix.sh"), e2e.PREFIX_ROOT,
             "windows_settings_e2e"], text=True).strip()
        cls.base = dict(os.environ, WINEPREFIX=cls.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="en_US.UTF-8")
        for k in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                  "ALL_PROXY", "no_proxy", "NO_PROXY"):
            cls.base.pop(k, None)
        cls.port = cls.server.url.rsplit(":", 1)[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        subprocess.run(["wineserver", "-k"], env=cls.base)

    def setUp(self):
        self.server.control("reset")
        self.runs = []
        self.user = [os.path.basename(p) for p in glob.glob(self.drive_c("users", "*"))
                     if os.path.basename(p) != "Public"][0]
        # No package from an earlier test: every test downloads its own.
        shutil.rmtree(self.drive_c("ProgramData", "Velmora"), ignore_errors=True)

    def tearDown(self):
        for run in self.runs:
            run.close()
        self.import_reg("[%s]\n\"ProxyEnable\"=-\n\"ProxyServer\"=-\n\"ProxyOverride\"=-\n\n"
                        "[%s\\Connections]\n\"DefaultConnectionSettings\"=-\n"
                        % (INTERNET_SETTINGS, INTERNET_SETTINGS))
        self.wine("reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d",
                  r"%USERPROFILE%\AppData\Roaming", "/f")

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def wine(self, *args, env=None):
        subprocess.run(["wine"] + list(args), env=env or self.base, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def import_reg(self, body):
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
            f.write("REGEDIT4\n\n" + body)
        try:
            self.wine("regedit", "/S", f.name)
        finally:
            os.unlink(f.name)

    def start(self, env):
        run = e2e.Installer(self, env)
        self.runs.append(run)
        return run

    def install(self, env, layout):
        """Starts the installer, clicks Install and waits for the install's result step."""
        run = self.start(env)
        window = run.main_window()
        e2e.wait_for(lambda: self.server.steps(), 60, "the first step report")
        run.click(window, layout_centres(layout, e2e.TITLE_STRIP)["installbtn"])
        e2e.wait_for(lambda: {"SetupSuccess", "SetupFailed"} & {s for _, s in
                                                                 self.server.steps()},
                     300, "the install's result")
        return run

    def test_proxy_set_only_in_internet_options_carries_the_install_and_its_bypass_goes_direct(self):
        # The package host is "localhost": a name without a dot, which <local> exempts.
        with open(e2e.PKG_OK, "rb") as f:
            md5 = self.server.control("package?path=" + e2e.PACKAGE_PATH, f.read())
        config = "[full]\naddress=http://localhost:%s%s\nchecksum=%s\n" % (
            self.port, e2e.PACKAGE_PATH, md5)
        self.server.control("config?path=" + e2e.CONFIG_PATH, config.encode())
        proxy = "127.0.0.1:" + self.port
        blob = ",".join("%02x" % b for b in connection_settings(proxy, "<local>"))
        self.import_reg("[%s]\n\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"%s\"\n"
                        "\"ProxyOverride\"=\"<local>\"\n\n[%s\\Connections]\n"
                        "\"DefaultConnectionSettings\"=hex:%s\n"
                        % (INTERNET_SETTINGS, proxy, INTERNET_SETTINGS, blob))
        shutil.rmtree(self.drive_c("Program Files", "Velmora"), ignore_errors=True)

        self.install(self.base, "main_en.xml")

        self.assertEqual(["DownloaderStart", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupSuccess"],
                         [s for _, s in self.server.steps()])
        self.assertTrue(os.path.exists(self.drive_c("Program Files", "Velmora", "Velmora.exe")))
        requests = self.server.requests()
        # Configuration and reports through the proxy, with their release host names ...
        proxied = {(r[1], r[2]) for r in requests if r[7] == "1"}
        self.assertIn(("update.velmora.example", e2e.CONFIG_PATH), proxied)
        self.assertIn(("www.velmora.example", "/qzadmin/operate.php"), proxied)
        # ... the package straight from its host.
        package = [(r[0], r[1], r[7]) for r in requests if r[2] == e2e.PACKAGE_PATH]
        self.assertEqual([("HEAD", "localhost:" + self.port, "0"),
                          ("GET", "localhost:" + self.port, "0")], package)

    def double_byte_profile(self, locale, layout):
        """The roaming folder moved into a folder named with such characters; the install
        downloads into it, verifies the package and runs it."""
        with open(e2e.PKG_OK, "rb") as f:
            md5 = self.server.control("package?path=" + e2e.PACKAGE_PATH, f.read())
        config = "[full]\naddress=http://dl.velmora.example%s\nchecksum=%s\n" % (
            e2e.PACKAGE_PATH, md5)
        self.server.control("config?path=" + e2e.CONFIG_PATH, config.encode())
        home = self.drive_c("users", self.user)
        roaming = os.path.join(home, DOUBLE_BYTE_NAME, "Roaming")
        shutil.rmtree(os.path.join(home, DOUBLE_BYTE_NAME), ignore_errors=True)
        os.makedirs(roaming)
        env = dict(self.base, LC_ALL=locale, http_proxy=self.server.url)
        self.wine("reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d",
                  "C:\\users\\%s\\%s\\Roaming" % (self.user, DOUBLE_BYTE_NAME), "/f", env=env)
        before = set(os.listdir(home))
        shutil.rmtree(self.drive_c("Program Files", "Velmora"), ignore_errors=True)

        self.install(env, layout)

        self.assertEqual("SetupSuccess", self.server.steps()[-1][1])
        folder = self.drive_c("ProgramData", "Velmora", "Installer", "release")
        with open(os.path.join(folder, "Setup.exe"), "rb") as got, open(e2e.PKG_OK, "rb") as want:
            self.assertEqual(want.read(), got.read())
        with open(os.path.join(folder, "channel.dat"), "rb") as f:
            self.assertEqual(b"000000238", f.read())
        self.assertTrue(os.path.exists(os.path.join(roaming, "Velmorainstaller.log")))
        self.assertTrue(os.path.exists(self.drive_c("Program Files", "Velmora", "Velmora.exe")))
        # No folder was made from the first byte of a character.
        self.assertEqual(before, set(os.listdir(home)))
        self.assertEqual(["Roaming"], os.listdir(os.path.join(home, DOUBLE_BYTE_NAME)))

    def test_chinese_code_page_profile_folder_with_a_0x5c_trail_byte(self):
        self.double_byte_profile("zh_CN.UTF-8", "main_zh.xml")

    def test_japanese_code_page_profile_folder_with_a_0x5c_trail_byte(self):
        self.double_byte_profile("ja_JP.UTF-8", "main_en.xml")


if __name__ == "__main__":
    unittest.main(verbosity=2)
