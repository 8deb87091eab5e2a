#!/usr/bin/env python3
"""What the installer tells the user when something stands in its way, under Wine + Xvfb
against the loopback server: a drive C: without room before and during the download (a small
C: that Wine sees as a plain drive: the prefix is an overlay whose upper layer is a small tmpfs,
which needs mount rights), a server that drops every connection for a while, and a package
that fails its checksum on every download. What the window says is read as a screen reader
reads it (msaa_client), and pictured.

usage: obstacles_test.py <VelmoraInstaller.exe> <msaa_client.exe> <ok package>
                         <source root> <wine prefix root>
"""
import errno
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    CONFIG_PATH, PACKAGE_PATH, TITLE_STRIP, Installer, InstallerTestCase, arguments, config_text,
    layout_centres, picture, wait_for)

INSTALLER, CLIENT, PKG_OK, _, PREFIX_ROOT = arguments(5)
DOWNLOAD_FAILED, NOT_ENOUGH_DISK_SPACE = 6, 12
MARGIN = 1 << 20  # kept free beyond the bytes still to come
MIB = 1 << 20


def sh(*args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True)


class SmallDrive:
    """Drive C: of a prefix made small: the prefix moved aside as the lower layer of an overlay
    mounted on its own path, whose upper layer is a tmpfs of size_mib. Wine's server is stopped
    around the change. Raises unittest.SkipTest where mounting is not permitted."""

    def __init__(self, prefix, size_mib):
        self.prefix = prefix
        self.path = prefix.path
        self.lower = self.path + ".lower"
        self.tmpfs = self.path + ".upper"
        self.restore()  # what a run that was killed left
        subprocess.run(["wineserver", "-k"], env=prefix.env)
        subprocess.run(["wineserver", "-w"], env=prefix.env)
        os.makedirs(self.tmpfs, exist_ok=True)
        mounted = sh("mount", "-t", "tmpfs", "-o", "size=%dm" % size_mib, "tmpfs", self.tmpfs)
        if mounted.returncode != 0:
            os.rmdir(self.tmpfs)
            raise unittest.SkipTest("mounting is not permitted here (a small drive C: needs a "
                                    "tmpfs and an overlay): " + mounted.stderr.strip())
        os.makedirs(os.path.join(self.tmpfs, "upper"))
        os.makedirs(os.path.join(self.tmpfs, "work"))
        os.rename(self.path, self.lower)
        os.makedirs(self.path)
        overlay = sh("mount", "-t", "overlay", "overlay", "-o",
                     "lowerdir=%s,upperdir=%s/upper,workdir=%s/work"
                     % (self.lower, self.tmpfs, self.tmpfs), self.path)
        if overlay.returncode != 0:
            self.restore()
            raise unittest.SkipTest("no overlay mount here: " + overlay.stderr.strip())

    def free(self):
        st = os.statvfs(self.prefix.drive_c())
        return st.f_bavail * st.f_frsize

    def resize(self, size_mib):
        """Makes room (or takes it) while the drive is in use."""
        result = sh("mount", "-o", "remount,size=%dm" % size_mib, self.tmpfs)
        assert result.returncode == 0, result.stderr

    def leave_free(self, target):
        """Fills the drive with a file of its own until about target bytes are free."""
        filler = self.prefix.drive_c("filler.bin")
        if os.path.exists(filler):
            os.unlink(filler)
        with open(filler, "wb", buffering=0) as f:
            left = self.free() - target
            block = b"\0" * (1 << 16)
            try:
                while left > 0:
                    left -= f.write(block[:min(left, len(block))])
            except OSError as e:
                # A download writing at the same time took the rest first: full either way.
                if e.errno != errno.ENOSPC:
                    raise
        return filler

    def restore(self):
        if not os.path.exists(self.lower):
            return
        subprocess.run(["wineserver", "-k"], env=self.prefix.env)
        subprocess.run(["wineserver", "-w"], env=self.prefix.env)
        sh("umount", self.path)
        sh("umount", self.tmpfs)
        if os.path.isdir(self.tmpfs):
            os.rmdir(self.tmpfs)
        if os.path.isdir(self.path):
            os.rmdir(self.path)
        os.rename(self.lower, self.path)


class ObstaclesTestCase(InstallerTestCase):
    PREFIX_ROOT = PREFIX_ROOT
    PROGRAM = INSTALLER

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.main_en = layout_centres("main_en.xml", TITLE_STRIP)
        cls.main_zh = layout_centres("main_zh.xml", TITLE_STRIP)

    def setUp(self):
        super().setUp()
        self.stop_wine()

    def stop_wine(self):
        """Ends an installer left running before (its Wine process outlives the launcher)."""
        subprocess.run(["wineserver", "-k"], env=self.prefix.env)
        subprocess.run(["wineserver", "-w"], env=self.prefix.env)

    def env(self, chinese=False):
        return dict(self.prefix.env, LC_ALL="zh_CN.UTF-8" if chinese else "en_US.UTF-8")

    def start_install(self, chinese=False):
        """Starts the installer and clicks Install (the agreement is ticked at start)."""
        self.prefix.remove_log()
        run = self.start(env=self.env(chinese))
        window = run.main_window()
        self.server.wait_step("DownloaderStart")
        pos = self.main_zh if chinese else self.main_en
        run.click(window, pos["installbtn"])
        wait_for(lambda: self.server.count("HEAD", PACKAGE_PATH), 60, "the length probe")
        return run

    def read_window(self, chinese=False):
        """The names of the main window's children as a screen reader reads them."""
        with tempfile.TemporaryFile() as out:
            subprocess.run(["wine", CLIENT, "dump", "UIMainFrame"], env=self.env(chinese),
                           stdout=out, stderr=subprocess.DEVNULL, timeout=90)
            out.seek(0)
            text = out.read().decode("utf-8")
        names = []
        for line in text.splitlines():
            kind, _, rest = line.partition("\t")
            if kind == "child":
                fields = dict(f.split("=", 1) for f in rest.split("\t"))
                names.append(fields["name"])
        return names

    def wait_read(self, predicate, what, chinese=False, timeout=60):
        """The names read once predicate holds for them."""
        found = []

        def check():
            names = self.read_window(chinese)
            if predicate(names):
                found[:] = [names]
                return True
            return False
        wait_for(check, timeout, what, interval=0.5)
        return found[0]

    def gets(self):
        return [r for r in self.server.requests() if r[0] == "GET" and r[2] == PACKAGE_PATH]


class SmallDriveTest(ObstaclesTestCase):
    PREFIX = "obstacles_small_c"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.drive = SmallDrive(cls.prefix, 24)
        cls.addClassCleanup(cls.drive.restore)

    def setUp(self):
        super().setUp()
        self.drive.resize(24)
        if os.path.exists(self.prefix.drive_c("filler.bin")):
            os.unlink(self.prefix.drive_c("filler.bin"))
        shutil.rmtree(self.prefix.drive_c("Program Files", "Velmora"), ignore_errors=True)

    def test_silent_run_short_of_room_ends_at_once_with_its_code_and_the_figures(self):
        size = os.path.getsize(PKG_OK)
        md5 = self.server.serve(PKG_OK)
        self.drive.leave_free(size // 2 + MARGIN)
        free = self.drive.free()
        log = os.path.join(tempfile.mkdtemp(), "silent.log")
        env = dict(self.prefix.env)
        env.pop("DISPLAY", None)
        run = self.start(env=env, args=("/S", "/LOG=Z:" + log.replace("/", "\\")))
        self.assertEqual(NOT_ENOUGH_DISK_SPACE, run.wait(120))
        # Nothing fetched beyond the length probe.
        self.assertEqual(1, self.server.count("HEAD", PACKAGE_PATH))
        self.assertEqual([], self.gets())
        text = self.prefix.log_text(log)
        line = [x for x in text.splitlines() if "E/Silent -- not enough disk space on C:\\" in x]
        self.assertEqual(1, len(line), text)
        needed, got = [int(v) for v in line[0].split(": ")[1].replace(" bytes needed,", "")
                       .replace(" free", "").split()]
        self.assertEqual(size + MARGIN, needed)
        self.assertLess(abs(got - free), 256 * 1024, line[0])
        self.assertIn("exit code 12: not enough disk space", text)

        # Room for the package, but not for the installed size the configuration names: the
        # install folder is on C: too, so both needs count against it.
        os.unlink(self.prefix.drive_c("filler.bin"))
        self.server.control("config?path=" + CONFIG_PATH,
                            (config_text(md5) + "installsize=500\n").encode())
        run = self.start(env=env, args=("/S", "/LOG=Z:" + log.replace("/", "\\")))
        self.assertEqual(NOT_ENOUGH_DISK_SPACE, run.wait(120))
        self.assertEqual([], self.gets())
        self.assertIn("%d bytes needed" % (size + MARGIN + 500 * MIB), self.prefix.log_text(log))

    def test_silent_run_whose_disk_fills_during_the_download_keeps_to_its_limit(self):
        size = 8 * MIB
        md5 = self.server.control("package?path=%s&size=%d&pattern=1" % (PACKAGE_PATH, size))
        self.server.control("config?path=" + CONFIG_PATH, config_text(md5).encode())
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, 2 * MIB))
        log = os.path.join(tempfile.mkdtemp(), "silent.log")
        env = dict(self.prefix.env, VELMORA_SILENT_STALL_SECONDS="5")
        env.pop("DISPLAY", None)
        run = self.start(env=env, args=("/S", "/LOG=Z:" + log.replace("/", "\\")))
        package = self.prefix.package_folder("Setup.exe")
        wait_for(lambda: os.path.exists(package) and os.path.getsize(package) >= size * 6 // 10,
                 60, "60 % of the package")
        self.drive.leave_free(64 * 1024)
        # Not code 12: room may come during a transfer; the no-progress limit decides, and the
        # log says why nothing moved.
        self.assertEqual(DOWNLOAD_FAILED, run.wait(120))
        text = self.prefix.log_text(log)
        self.assertIn("E/Silent -- the disk is full: not enough disk space on C:\\", text)
        self.assertIn("the part downloaded stays for the next run", text)
        self.assertGreaterEqual(os.path.getsize(package), size * 6 // 10)

    def test_window_names_the_drive_and_goes_on_by_itself_when_room_comes(self):
        size = os.path.getsize(PKG_OK)
        self.server.serve(PKG_OK)
        self.drive.leave_free(size // 2 + MARGIN)
        run = self.start_install()
        # The window comes back from the notification area to say why nothing moves.
        window = run.main_window(timeout=60)
        names = self.wait_read(lambda n: any(x.startswith("Not enough disk space") for x in n),
                               "the disk space message")
        text = [x for x in names if x.startswith("Not enough disk space")][0]
        # 1.108 MiB needed rounded up, about 1.05 MiB free rounded down.
        self.assertRegex(text, r"^Not enough disk space on drive C: \(1\.2 MB needed, "
                               r"1\.0 MB free\)\. The download goes on by itself")
        self.assertIn("Retry", names)
        # The install folder needs nothing it named: no way back to the folder is offered.
        self.assertNotIn("Choose another folder", names)
        picture(window, "disk_space_en.png")
        self.assertIn("W/CTinyDownload -- not enough disk space on C:\\: %d bytes needed, "
                      % (size + MARGIN), self.log_text())
        time.sleep(4)  # asked again meanwhile, and nothing fetched
        self.assertEqual([], self.gets())
        # Room comes: no click, the download goes on and the package installs.
        self.drive.resize(64)
        self.server.wait_step("SetupSuccess", timeout=120)
        gets = self.gets()
        self.assertEqual(1, len(gets))
        self.assertEqual(str(size), gets[0][6])  # every byte fetched once
        self.assertIn("there is room on the disk now, the download goes on", self.log_text())

    def test_a_disk_that_fills_during_the_download_is_told_and_the_download_goes_on(self):
        size = 8 * MIB
        md5 = self.server.control("package?path=%s&size=%d&pattern=1" % (PACKAGE_PATH, size))
        self.server.control("config?path=" + CONFIG_PATH, config_text(md5).encode())
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, 2 * MIB))
        run = self.start_install(chinese=True)
        package = self.prefix.package_folder("Setup.exe")
        wait_for(lambda: os.path.exists(package) and os.path.getsize(package) >= size * 6 // 10,
                 60, "60 % of the package")
        # Another program takes the rest of the drive.
        filler = self.drive.leave_free(64 * 1024)
        window = run.main_window(timeout=60)
        # 磁盘 C: 空间不足
        names = self.wait_read(
            lambda n: [x for x in n if x.startswith("\u78c1\u76d8 C: \u7a7a\u95f4\u4e0d\u8db3")],
            "the disk space message", chinese=True)
        self.assertIn("\u91cd\u8bd5", names)  # 重试
        picture(window, "disk_full_zh.png")
        log = self.log_text()
        self.assertIn("W/CTinyDownload -- the disk is full: not enough disk space on C:\\", log)
        kept = os.path.getsize(package)
        self.assertGreaterEqual(kept, size * 6 // 10)
        # Room again: the message goes and the download ends without a click.
        os.unlink(filler)
        wait_for(lambda: "Check file md5 OK." in self.log_text(), 120, "the verified package")
        self.wait_read(lambda n: not [x for x in n if x.startswith("\u78c1\u76d8")],
                       "the message to go", chinese=True)
        with open(package, "rb") as f:
            self.assertEqual(md5, hashlib.md5(f.read()).hexdigest())
        # What reached the disk before it filled was not asked for again.
        later = self.gets()[1:]
        self.assertTrue(later)
        for g in later:
            self.assertGreaterEqual(int(g[4].split("=")[1].rstrip("-")), kept - 512 * 1024, g)


class NetworkAndRefusalTest(ObstaclesTestCase):
    PREFIX = "obstacles_network"

    def test_network_countdown_in_both_languages_then_the_download(self):
        for chinese, waiting, name in (
                (False, "Waiting for the network, trying again", "network_en.png"),
                # 正在等待网络
                (True, "\u6b63\u5728\u7b49\u5f85\u7f51\u7edc", "network_zh.png")):
            with self.subTest(chinese=chinese):
                self.stop_wine()
                self.server.control("reset")
                self.prefix.clear_downloads()
                size = 3 * MIB
                md5 = self.server.control("package?path=%s&size=%d&pattern=1"
                                          % (PACKAGE_PATH, size))
                self.server.control("config?path=" + CONFIG_PATH, config_text(md5).encode())
                self.server.control("fault?path=%s&cut_after=0&cut_times=4" % PACKAGE_PATH)
                run = self.start_install(chinese)
                # The user opens the window from the notification area to look.
                self.show_from_tray()
                window = run.main_window(timeout=30)
                names = self.wait_read(lambda n: [x for x in n if x.startswith(waiting)],
                                       "the countdown", chinese, timeout=90)
                picture(window, name)
                shown = [x for x in names if x.startswith(waiting)][0]
                # The count runs down within a wait, and the waits grow: several counts seen.
                counts = {shown}
                deadline = time.time() + 40
                while time.time() < deadline and len(counts) < 3:
                    counts.update(x for x in self.read_window(chinese) if x.startswith(waiting))
                self.assertGreaterEqual(len(counts), 3, counts)
                # The first byte ends the wait: the text goes, the download ends.
                wait_for(lambda: self.server.count("GET", PACKAGE_PATH) >= 5, 60,
                         "the transfer after the drops")
                self.wait_read(lambda n: not [x for x in n if x.startswith(waiting)],
                               "the countdown to go", chinese)
                wait_for(lambda: "Check file md5 OK." in self.log_text(), 60, "the package")
                run.close()

    def show_from_tray(self):
        """A second start of the installer brings the running one back (as a user's second
        double-click does)."""
        second = self.start(env=self.prefix.env)
        second.wait(60)

    def test_a_package_damaged_on_every_download_is_refused_in_words_a_user_understands(self):
        for chinese in (False, True):
            with self.subTest(chinese=chinese):
                self.stop_wine()
                self.server.control("reset")
                self.prefix.clear_downloads()
                self.server.serve(PKG_OK, checksum="0123456789abcdef0123456789abcdef")
                run = self.start_install(chinese)
                window = run.main_window(timeout=120)
                reason = ("\u4e0b\u8f7d\u7684\u6587\u4ef6\u5df2\u635f\u574f" if chinese
                          else "The download was damaged or did not come from Velmora.")
                link = ("\u4e0b\u8f7d\u5b8c\u6574\u5b89\u88c5\u5305" if chinese
                        else "Download the complete package")
                names = self.wait_read(lambda n: link in n and n, "the failure page", chinese)
                self.assertTrue([x for x in names if x.startswith(reason)], names)
                self.assertIn("the package failed its checksum on 2 whole downloads in a row",
                              self.log_text())
                # Two whole downloads; a third may have begun within the second the window
                # takes to notice.
                self.assertIn(self.server.count("GET", PACKAGE_PATH), (2, 3))
                # The damaged download was not run.
                self.assertFalse(os.path.exists(self.prefix.drive_c("Program Files", "Velmora")))
                picture(window, "refused_zh.png" if chinese else "refused_en.png")
                run.close()


if __name__ == "__main__":
    unittest.main()
