#!/usr/bin/env python3
"""The setup package from download to run, with the whole installer under Wine + Xvfb driven
like a user would: the file that runs is the file that was verified (whatever the address ends
in, never a planted one), nobody can change it while it is held, and an installer built with a
publisher pin runs only packages signed with the pinned key (throw-away certificates, packages
signed with osslsigncode).

usage: package_trust_test.py <VelmoraInstaller.exe> <pinned installer> <signing folder>
                             <share_probe.exe> <ok package> <failing package> <source root>
                             <wine prefix root>
"""
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    PACKAGE_PATH, TITLE_STRIP, TRAY, Installer, InstallerTestCase, arguments, click_at,
    click_until, downloads_folder, installer_windows, layout_centres, read, wait_for, xdo)

INSTALLER, PINNED, SIGNING, PROBE, PKG_OK, PKG_FAIL, _, PREFIX_ROOT = arguments(8)
SHARING_VIOLATION, ACCESS_DENIED = "32", "5"
FOLDER = "C:\\Program Files\\Velmora Installer\\release"
FOLDER_LINE = ("I/PackageFolder -- package folder: %s (administrator: a folder only administrators"
               " can create or write)" % FOLDER)
REFUSED = ("E/CMainFrame -- the package folder is not as this installer left it, not running "
           "%s\\Setup.exe: " % FOLDER)


class PackageTrustTest(InstallerTestCase):
    PREFIX = "package_trust_e2e"
    PREFIX_ROOT = PREFIX_ROOT

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.env = cls.prefix.env
        cls.pos = layout_centres("main_en.xml", TITLE_STRIP)
        cls.roaming = cls.prefix.roaming()
        cls.download = cls.prefix.package_folder()
        cls.product = cls.prefix.drive_c("Program Files", "Velmora")

    def setUp(self):
        super().setUp()
        shutil.rmtree(self.product, ignore_errors=True)
        self.prefix.remove_log()
        self.proc = None
        self.workdir = downloads_folder(prefix="velmora-trust-")

    def tearDown(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.prefix.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)
        super().tearDown()

    # ---- driving the installer ----------------------------------------------------------
    def launch(self, installer):
        """Starts the installer where it was built, from the test's working folder."""
        self.proc = Installer(self.env, installer, folder=self.workdir, copy=False).proc

    def visible(self, name):
        return xdo("search", "--onlyvisible", "--name", "^%s$" % name)

    def main_window(self, timeout=60):
        return wait_for(lambda: installer_windows(586), timeout, "the main window")[0]

    def result_page(self):
        """The main window once it is back from the notification area (whose icon goes with
        Wine's tray window) on the result page."""
        wait_for(lambda: not self.visible(TRAY), 60, "the tray icon to go")
        return self.main_window()

    def click(self, window, name):
        click_at(window, self.pos[name])

    def start_work(self, window, button):
        """Clicks Install or Retry and waits for the window to go to the notification area and
        for the package run's outcome."""
        before = len(self.outcomes())
        starts = self.log_text().count("T/CMainFrame -- startDownload()")
        click_until(window, self.pos[button],
                    lambda: self.log_text().count("T/CMainFrame -- startDownload()") > starts)
        wait_for(lambda: self.visible(TRAY), 30, "the tray icon")
        return wait_for(lambda: self.outcomes()[before:], 120,
                        "an install outcome (steps %r)" % self.steps())[0]

    def install(self, installer):
        self.launch(installer)
        window = self.main_window()
        wait_for(lambda: "DownloaderStart" in self.steps(), 60, "the start report")
        return self.start_work(window, "installbtn")

    def retry(self):
        """Clicks Retry on the failure page; returns the next outcome."""
        return self.start_work(self.result_page(), "endbtn")

    def outcomes(self):
        return [s for s in self.steps() if s in ("SetupSuccess", "SetupFailed")]

    def log_text(self):
        return self.prefix.log_text(missing="")

    def fetches(self, path=PACKAGE_PATH):
        return self.server.count("GET", path)

    def report(self):
        """share_probe.exe's report when it ran as the package."""
        values = {}
        with open(os.path.join(self.product, "probe.txt")) as f:
            for line in f.read().splitlines():
                key, _, value = line.partition("=")
                values[key] = value
        return values

    def plant(self, data):
        os.makedirs(self.download, exist_ok=True)
        with open(os.path.join(self.download, "Setup.exe"), "wb") as f:
            f.write(data)

    def assert_failure_page_without_run(self):
        window = self.result_page()
        self.assertEqual("SetupFailed", self.steps()[-1])
        self.assertNotIn(" return ", self.log_text())  # no package process ended
        self.assertFalse(os.path.exists(os.path.join(self.product, "Velmora.exe")))
        return window

    # ---- the release build ----------------------------------------------------------------
    def test_address_ending_in_another_name_runs_the_downloaded_file_not_a_stale_one(self):
        self.plant(read(PKG_FAIL))  # left by an earlier run; it would end with code 5
        self.server.serve(read(PKG_OK), address_path="/pkg/Setup.exe/velmora_full.exe")
        self.assertEqual("SetupSuccess", self.install(INSTALLER))
        self.assertTrue(os.path.exists(os.path.join(self.product, "Velmora.exe")))
        self.assertEqual(["Setup.exe", "Setup.exe.cfg", "Temp", "channel.dat"],
                         sorted(os.listdir(self.download)))
        self.assertEqual(read(PKG_OK), read(os.path.join(self.download, "Setup.exe")))

    def test_over_long_address_is_refused_and_a_planted_package_never_runs(self):
        self.plant(read(PKG_OK))
        long_path = "/pkg/" + "x" * 520 + "/Setup.exe"
        self.server.serve(read(PKG_OK), address_path=long_path)
        self.assertEqual("SetupFailed", self.install(INSTALLER))
        self.assert_failure_page_without_run()
        log = self.log_text()
        self.assertIn("E/CTinyDownload -- AddDownloadWork: url, path or md5 longer than its field,"
                      " item not added", log)
        self.assertIn("E/CMainFrame -- no package was accepted for download, not running ", log)
        self.assertEqual(["DownloaderStart", "SetupFailed"], self.steps())
        self.assertEqual(0, self.fetches(long_path) + self.server.count("HEAD", long_path))
        # The failure page offers Retry, which fails the same way.
        self.assertEqual("SetupFailed", self.retry())
        self.assertFalse(os.path.exists(os.path.join(self.product, "Velmora.exe")))

    def test_package_cannot_be_changed_while_it_runs_and_runs_in_its_own_folder(self):
        probe = read(PROBE)
        self.server.serve(probe)
        self.assertEqual("SetupSuccess", self.install(INSTALLER))
        report = self.report()
        for attempt in ("write", "delete", "rename"):
            self.assertEqual(SHARING_VIOLATION, report[attempt], attempt)
        self.assertIn(report["replace"], (SHARING_VIOLATION, ACCESS_DENIED))
        self.assertEqual("C:\\Program Files\\Velmora Installer\\release\\Setup.exe",
                         report["exe"])
        self.assertEqual(report["exe"][:-len("\\Setup.exe")], report["cwd"])
        # The genuine package ran and is still there, unchanged.
        self.assertEqual(probe, read(os.path.join(self.download, "Setup.exe")))

    def test_package_changed_on_disk_after_its_check_is_fetched_again_not_run(self):
        self.server.serve(read(PKG_FAIL))
        self.assertEqual("SetupFailed", self.install(INSTALLER))
        self.assertEqual(1, self.fetches())
        # Between the runs the package is changed in place (same length, one letter).
        path = os.path.join(self.download, "Setup.exe")
        data = bytearray(read(path))
        at = data.index(b"DOS mode")
        data[at] = ord("d")
        self.plant(bytes(data))
        self.assertEqual("SetupFailed", self.retry())
        log = self.log_text()
        changed = log.index("E/CTinyDownload -- Check download file md5 failed, redownload.")
        self.assertEqual(2, self.fetches())
        # The only run after the change is that of the fetched-again genuine package.
        self.assertEqual(1, log[changed:].count("/D=C:\\Program Files\\Velmora\\ return 5"))
        self.assertEqual(read(PKG_FAIL), read(path))

    def test_release_build_checks_no_signature(self):
        self.server.serve(read(os.path.join(SIGNING, "tampered.pkg")))
        self.assertEqual("SetupSuccess", self.install(INSTALLER))
        self.assertNotIn("package refused", self.log_text())
        self.assertNotIn("package signed", self.log_text())

    # ---- links in the user's folders and on the package folder's path -----------------------
    def relink_old_folder_during_install(self, installer, package):
        """The folder earlier versions used is a link (made from outside the prefix, as a
        junction would be) to a folder with another program as Setup.exe and a sidecar that
        would make it look complete; it is re-pointed to a second such folder once the log says
        "start exe:", as an attack on a check-then-run would."""
        attacker = [tempfile.mkdtemp(prefix="velmora-attacker-") for _ in range(2)]
        for folder in attacker:
            self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
            shutil.copy(PROBE, os.path.join(folder, "Setup.exe"))
            with open(os.path.join(folder, "Setup.exe.cfg"), "w") as f:
                f.write("")
        old = os.path.join(self.roaming, "BranoInst", "VLInst")
        os.makedirs(os.path.dirname(old), exist_ok=True)
        os.symlink(attacker[0], old)
        self.addCleanup(os.unlink, old)
        self.server.serve(package)

        def repoint():
            try:
                wait_for(lambda: "I/CMainFrame -- start exe: " in self.log_text(), 120, "")
            except AssertionError:
                return
            os.symlink(attacker[1], old + ".new")
            os.replace(old + ".new", old)
        import threading
        flipper = threading.Thread(target=repoint, daemon=True)
        flipper.start()
        self.assertEqual("SetupSuccess", self.install(installer))
        flipper.join(10)
        self.assertEqual(attacker[1], os.readlink(old))
        # The verified package ran, from the protected folder; the other program never did.
        self.assertTrue(os.path.exists(os.path.join(self.product, "Velmora.exe")))
        self.assertFalse(os.path.exists(os.path.join(self.product, "probe.txt")))
        self.assertEqual(package, read(os.path.join(self.download, "Setup.exe")))
        log = self.log_text()
        self.assertIn(FOLDER_LINE, log)
        self.assertIn('install: "%s\\Setup.exe" /S' % FOLDER, log)
        # Nothing was deleted through the link either.
        self.assertRegex(log, r"W/PackageFolder -- not trusted, left alone: C:\\users\\[^\\]+"
                              r"\\AppData\\Roaming\\BranoInst\\VLInst\\Setup\.exe: C:\\users"
                              r"\\[^\\]+\\AppData\\Roaming\\BranoInst\\VLInst is a link")
        for folder in attacker:
            self.assertEqual(["Setup.exe", "Setup.exe.cfg"], sorted(os.listdir(folder)))

    def test_old_user_folder_relinked_while_installing_never_runs_another_program(self):
        self.relink_old_folder_during_install(INSTALLER, read(PKG_OK))

    def test_pinned_build_with_the_old_user_folder_relinked_runs_the_signed_package(self):
        self.relink_old_folder_during_install(PINNED, read(os.path.join(SIGNING, "signed.pkg")))

    def test_link_on_the_package_folders_path_is_refused_and_nothing_written_through_it(self):
        self.server.serve(read(PKG_OK))
        machine = self.prefix.drive_c("Program Files")
        for linked in ("Velmora Installer", os.path.join("Velmora Installer", "release")):
            target = tempfile.mkdtemp(prefix="velmora-elsewhere-")
            self.addCleanup(shutil.rmtree, target, ignore_errors=True)
            shutil.rmtree(os.path.join(machine, "Velmora Installer"), ignore_errors=True)
            os.makedirs(os.path.dirname(os.path.join(machine, linked)), exist_ok=True)
            os.symlink(target, os.path.join(machine, linked))
            self.server.control("reset")
            self.server.serve(read(PKG_OK))
            self.assertEqual("SetupFailed", self.install(INSTALLER))
            self.assertIn("E/PackageFolder -- no safe package folder, nothing will be downloaded: "
                          "C:\\Program Files\\%s is a link (reparse point), not a folder of its "
                          "own" % linked.replace(os.sep, "\\"), self.log_text())
            self.assertEqual([], os.listdir(target))
            self.assertEqual(0, self.fetches() + self.server.count("HEAD", PACKAGE_PATH))
            self.assertFalse(os.path.exists(os.path.join(self.product, "Velmora.exe")))
            self.proc.kill()
            self.proc.wait()
            self.prefix.stop()
            os.unlink(os.path.join(machine, linked))
        shutil.rmtree(os.path.join(machine, "Velmora Installer"), ignore_errors=True)

    def start_and_show(self):
        self.server.serve(read(PKG_OK))
        self.launch(INSTALLER)
        self.main_window()
        moved = os.path.join(self.download, "Velmorainstaller.log")
        wait_for(lambda: os.path.exists(moved), 30, "the log in the package folder")
        with open(moved, encoding="latin-1") as f:
            return f.read()

    def test_hard_linked_log_is_not_written_and_the_log_goes_to_the_package_folder(self):
        elsewhere = self.prefix.drive_c("elsewhere.txt")
        with open(elsewhere, "w") as f:
            f.write("someone else's file")
        self.addCleanup(os.unlink, elsewhere)
        usual = os.path.join(self.roaming, "Velmorainstaller.log")
        os.link(elsewhere, usual)
        self.addCleanup(os.unlink, usual)
        log = self.start_and_show()
        self.assertRegex(log, r"W/Log -- log file (C:\\users\\[^\\]+\\AppData\\Roaming\\"
                              r"Velmorainstaller\.log) refused: \1 has 2 names \(hard links\)")
        self.assertIn("T/CMainFrame -- CMainFrame::CMainFrame()", log)
        with open(elsewhere) as f:
            self.assertEqual("someone else's file", f.read())

    def test_log_behind_a_linked_folder_is_not_written_and_goes_to_the_package_folder(self):
        real = self.roaming + ".real"
        os.rename(self.roaming, real)
        os.symlink(real, self.roaming)

        def restore():
            os.unlink(self.roaming)
            os.rename(real, self.roaming)
        self.addCleanup(restore)
        with open(os.path.join(real, "Velmorainstaller.log"), "w") as f:
            f.write("an earlier log")
        log = self.start_and_show()
        self.assertRegex(log, r"W/Log -- log file C:\\users\\[^\\]+\\AppData\\Roaming\\"
                              r"Velmorainstaller\.log refused: C:\\users\\[^\\]+\\AppData"
                              r"\\Roaming is a link \(reparse point\)")
        with open(os.path.join(real, "Velmorainstaller.log")) as f:
            self.assertEqual("an earlier log", f.read())

    # ---- the package folder under Program Files and what the package runs with -------------
    def test_package_lands_under_program_files_with_its_own_temp_and_resumes_after_a_kill(self):
        # What the earlier folder (any user could create it first) holds is never run or deleted.
        old = self.prefix.drive_c("ProgramData", "Velmora", "Installer", "release")
        # A prefix kept from a run of an earlier version holds that version's files there.
        shutil.rmtree(self.prefix.drive_c("ProgramData", "Velmora"), ignore_errors=True)
        os.makedirs(old)
        self.addCleanup(shutil.rmtree, self.prefix.drive_c("ProgramData", "Velmora"))
        planted = {"Setup.exe": read(PROBE), "Setup.exe.cfg": b"", "version.dll": b"planted"}
        for name, data in planted.items():
            with open(os.path.join(old, name), "wb") as f:
                f.write(data)
        package = read(PKG_OK)
        package += bytes(4 * 1024 * 1024 - len(package) % 512)  # more than one write buffer
        self.server.serve(package, rate=len(package) // 10)
        self.launch(INSTALLER)
        window = self.main_window()
        wait_for(lambda: "DownloaderStart" in self.steps(), 60, "the start report")
        click_until(window, self.pos["installbtn"],
                    lambda: "T/CMainFrame -- startDownload()" in self.log_text())
        setup = os.path.join(self.download, "Setup.exe")
        wait_for(lambda: os.path.exists(setup), 60, "the download to begin")
        time.sleep(4)  # about a third of the package
        self.proc.kill()
        self.proc.wait()
        self.prefix.stop()
        self.server.control("reset")
        self.server.serve(package)
        self.assertEqual("SetupSuccess", self.install(INSTALLER))
        # The second run went on from what the first left in the same folder.
        log = self.log_text()
        resumed = [int(line.rsplit(" ", 1)[1]) for line in log.splitlines()
                   if "T/CTinyDownload -- resume from: " in line]
        self.assertTrue(resumed and resumed[0] > 0, resumed)
        self.assertIn(FOLDER_LINE, log)
        self.assertEqual(package, read(setup))
        # The package saw its own temp folder and unpacked its helpers there.
        with open(os.path.join(self.product, "temp.txt")) as f:
            temp, plugins = f.read().splitlines()
        self.assertEqual(FOLDER + "\\Temp", temp)
        self.assertTrue(plugins.startswith(temp + "\\"), plugins)
        self.assertIn("I/PackageStart -- the package's TEMP and TMP: %s\\Temp" % FOLDER,
                      self.log_text())
        self.assertEqual(sorted(planted), sorted(os.listdir(old)))
        for name, data in planted.items():
            self.assertEqual(data, read(os.path.join(old, name)))
        self.assertFalse(os.path.exists(os.path.join(self.product, "probe.txt")))

    def install_with_change_during_download(self, change):
        """Installs while the package arrives slowly; change() acts on the package folder once
        the download is under way (the folder prepared, the package not yet started)."""
        package = read(PKG_OK)
        self.server.serve(package, rate=len(package) // 4)
        self.launch(INSTALLER)
        window = self.main_window()
        wait_for(lambda: "DownloaderStart" in self.steps(), 60, "the start report")
        setup = os.path.join(self.download, "Setup.exe")
        before = len(self.outcomes())

        def changed():
            wait_for(lambda: os.path.exists(setup), 60, "the download to begin")
            change()
        import threading
        changer = threading.Thread(target=changed, daemon=True)
        changer.start()
        click_until(window, self.pos["installbtn"],
                    lambda: "T/CMainFrame -- startDownload()" in self.log_text())
        outcome = wait_for(lambda: self.outcomes()[before:], 120, "an install outcome")[0]
        changer.join(10)
        self.assertEqual(package, read(setup))  # downloaded and verified, then not run
        return outcome

    def test_anything_put_beside_the_package_during_the_download_refuses_the_run(self):
        elsewhere = tempfile.mkdtemp(prefix="velmora-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)

        def library():
            with open(os.path.join(self.download, "version.dll"), "wb") as f:
                f.write(read(PROBE))

        def redirection():
            os.makedirs(os.path.join(self.download, "Setup.exe.local"))
            with open(os.path.join(self.download, "Setup.exe.local", "version.dll"), "wb") as f:
                f.write(read(PROBE))

        def link():
            os.symlink(elsewhere, os.path.join(self.download, "Setup.exe.local"))
        for plant, reason in ((library, "version.dll in it was not put there by this installer"),
                              (redirection, "Setup.exe.local in it was not put there by this "
                                            "installer"),
                              (link, "Setup.exe.local in it is a link (reparse point)")):
            with self.subTest(plant.__name__):
                self.server.control("reset")
                self.prefix.remove_log()
                self.assertEqual("SetupFailed", self.install_with_change_during_download(plant))
                self.assert_failure_page_without_run()
                self.assertIn(REFUSED + reason, self.log_text())
                self.proc.kill()
                self.proc.wait()
                self.prefix.stop()
                self.prefix.clear_downloads()
        self.assertEqual([], os.listdir(elsewhere))

    def test_rights_changed_during_the_download_refuse_the_run(self):
        # Under Wine a chmod from outside changes the descriptor that a second read reports, as a
        # user who kept a handle with WRITE_DAC could change it on Windows.
        self.assertEqual("SetupFailed", self.install_with_change_during_download(
            lambda: os.chmod(self.download, 0o777)))
        self.assert_failure_page_without_run()
        self.assertRegex(self.log_text(), re.escape(REFUSED) +
                         r"its owner or DACL changed since it was prepared \(O:[^,]+, now O:"
                         r".*\(A;OICI;0x1301ff;;;WD\)")

    # ---- the build pinned to the test publisher -------------------------------------------
    def test_pinned_build_installs_a_package_signed_by_the_publisher(self):
        self.server.serve(read(os.path.join(SIGNING, "signed.pkg")))
        self.assertEqual("SetupSuccess", self.install(PINNED))
        self.assertTrue(os.path.exists(os.path.join(self.product, "Velmora.exe")))
        self.assertIn('I/CMainFrame -- package signed by our publisher: "Velmora Test Publisher"'
                      ' key ', self.log_text())

    def check_refused(self, package, reason, signer=""):
        self.server.serve(read(os.path.join(SIGNING, package)))
        self.assertEqual("SetupFailed", self.install(PINNED))
        self.assert_failure_page_without_run()
        self.assertEqual(1, self.fetches())
        self.assertIn("E/CMainFrame -- package refused: %s, signer: %s" % (reason, signer),
                      self.log_text())
        # Set aside: nothing named Setup.exe is left to be taken as complete.
        self.assertFalse(os.path.exists(os.path.join(self.download, "Setup.exe")))
        self.assertTrue(os.path.exists(os.path.join(self.download, "Setup.exe.rejected")))

    def test_pinned_build_refuses_an_unsigned_package_and_retry_fetches_it_again(self):
        self.check_refused("unsigned.pkg", "not signed (0x800b0100)", "none")
        self.assertEqual("SetupFailed", self.retry())
        self.assertEqual(2, self.fetches())
        self.assertFalse(os.path.exists(os.path.join(self.product, "Velmora.exe")))

    def test_pinned_build_refuses_a_package_altered_after_signing(self):
        # Under Wine a signature that does not match the file names no signer.
        self.check_refused("tampered.pkg", "changed after signing (0x80096010)")

    def test_pinned_build_refuses_a_package_signed_by_another_certificate(self):
        with open(os.path.join(SIGNING, "other.pin")) as f:
            pin = f.read().strip()
        self.check_refused("other.pkg", "signed by another publisher",
                           '"Velmora Impostor" key ' + pin)


if __name__ == "__main__":
    unittest.main(verbosity=2)
