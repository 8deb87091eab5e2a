#!/usr/bin/env python3
"""The whole installer under Wine + Xvfb with settings that come from Windows itself rather than
from the test's environment: a proxy set only in Internet Options (this prefix's registry, no
http_proxy), and a roaming application-data folder whose name holds a double-byte character
with 0x5C as its second byte, in the Chinese (936) and Japanese (932) code pages.

usage: windows_settings_test.py <VelmoraInstaller.exe> <ok package> <failing package>
                                <source root> <wine prefix root>
"""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import main_window_test as e2e  # noqa: E402  (takes its five arguments from sys.argv)
from installer_run import (  # noqa: E402
    CONFIG_PATH, PACKAGE_PATH, TITLE_STRIP, InstallerTestCase, layout_centres,
    wait_for)

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


class WindowsSettingsTest(InstallerTestCase):
    PREFIX = "windows_settings_e2e"
    PREFIX_ROOT = e2e.PREFIX_ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # No proxy variable: each test sets what it needs.
        cls.base = dict(cls.prefix.env)
        cls.base.pop("http_proxy")
        cls.port = cls.server.url.rsplit(":", 1)[1]

    def setUp(self):
        super().setUp()
        self.user = os.path.basename(self.prefix.user_home())

    def tearDown(self):
        super().tearDown()
        self.prefix.import_reg(
            "[%s]\n\"ProxyEnable\"=-\n\"ProxyServer\"=-\n\"ProxyOverride\"=-\n\n"
            "[%s\\Connections]\n\"DefaultConnectionSettings\"=-\n"
            % (INTERNET_SETTINGS, INTERNET_SETTINGS))
        self.prefix.wine("reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ",
                         "/d", r"%USERPROFILE%\AppData\Roaming", "/f")

    def drive_c(self, *parts):
        return self.prefix.drive_c(*parts)

    def start(self, env):
        run = e2e.Run(env)
        self.closers.append(run)
        return run

    def install(self, env, layout):
        """Starts the installer, clicks Install and waits for the install's result step."""
        run = self.start(env)
        window = run.main_window()
        wait_for(lambda: self.server.steps(), 60, "the first step report")
        run.click(window, layout_centres(layout, TITLE_STRIP)["installbtn"])
        wait_for(lambda: {"SetupSuccess", "SetupFailed"} & {s for _, s in
                                                                 self.server.steps()},
                     300, "the install's result")
        return run

    def test_proxy_set_only_in_internet_options_carries_the_install_and_its_bypass_goes_direct(self):
        # The package host is "localhost": a name without a dot, which <local> exempts.
        self.server.serve(e2e.PKG_OK, host="http://localhost:" + self.port)
        proxy = "127.0.0.1:" + self.port
        blob = ",".join("%02x" % b for b in connection_settings(proxy, "<local>"))
        self.prefix.import_reg(
            "[%s]\n\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"%s\"\n"
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
        self.assertIn(("update.velmora.example", CONFIG_PATH), proxied)
        self.assertIn(("www.velmora.example", "/qzadmin/operate.php"), proxied)
        # ... the package straight from its host.
        package = [(r[0], r[1], r[7]) for r in requests if r[2] == PACKAGE_PATH]
        self.assertEqual([("HEAD", "localhost:" + self.port, "0"),
                          ("GET", "localhost:" + self.port, "0")], package)

    def double_byte_profile(self, locale, layout):
        """The roaming folder moved into a folder named with such characters; the install
        downloads into it, verifies the package and runs it."""
        self.server.serve(e2e.PKG_OK)
        home = self.drive_c("users", self.user)
        roaming = os.path.join(home, DOUBLE_BYTE_NAME, "Roaming")
        shutil.rmtree(os.path.join(home, DOUBLE_BYTE_NAME), ignore_errors=True)
        os.makedirs(roaming)
        env = dict(self.base, LC_ALL=locale, http_proxy=self.server.url)
        self.prefix.wine("reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ",
                         "/d", "C:\\users\\%s\\%s\\Roaming" % (self.user, DOUBLE_BYTE_NAME),
                         "/f", env=env)
        before = set(os.listdir(home))
        shutil.rmtree(self.drive_c("Program Files", "Velmora"), ignore_errors=True)

        self.install(env, layout)

        self.assertEqual("SetupSuccess", self.server.steps()[-1][1])
        folder = self.prefix.package_folder()
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
