#!/usr/bin/env python3
"""DLLs planted beside the installer: a marker DLL under the name of every system DLL the
installer imports or loads, Wine told to prefer such native DLLs as Windows does for names it
does not protect, and one whole install driven through the window. No marker may fire."""
import glob
import os
import shutil
import tempfile
import time
import unittest

from platform_run import HELPER, MAIN_EN, MARKER_DLL, PACKAGE, PlatformTestCase, helper, wait_for

# Imported by the installer, loaded by it at run time, or used by the libraries it links.
# ("version" is left out: Wine's own start-up loads it by bare name in every program.)
PLANTED = ["gdiplus", "comctl32", "crypt32", "ws2_32", "d3d9", "msimg32", "winmm", "iphlpapi",
           "wldap32", "bcrypt", "secur32", "wintrust", "winhttp", "uxtheme", "dwmapi"]


class DllPlantingTest(PlatformTestCase):
    PREFIX = "dll_planting_e2e"
    OVERRIDES = ",".join(PLANTED) + "=n,b"

    def setUp(self):
        super().setUp()
        self.folder = tempfile.mkdtemp(prefix="velmora-downloads-")
        for name in PLANTED:
            shutil.copy(MARKER_DLL, os.path.join(self.folder, name + ".dll"))
        shutil.copy(HELPER, self.folder)

    def tearDown(self):
        super().tearDown()
        shutil.rmtree(self.folder, ignore_errors=True)

    def fired(self):
        return sorted(os.path.basename(p)[:-len(".dll.loaded")]
                      for p in glob.glob(os.path.join(self.folder, "*.loaded")))

    def test_planted_dlls_stay_out_through_a_whole_install(self):
        # The planted DLLs work: a plain program loading a name from its folder gets them.
        copy = os.path.join(self.folder, os.path.basename(HELPER))
        for name in ("d3d9.dll", "gdiplus.dll"):
            self.assertEqual("loaded", helper(self.prefix, "load", name, exe=copy))
        self.assertEqual(["d3d9", "gdiplus"], self.fired())
        for marker in glob.glob(os.path.join(self.folder, "*.loaded")):
            os.remove(marker)
        os.remove(copy)

        self.server.control("reset")
        self.server.serve(PACKAGE)
        self.prefix.clear_downloads()
        run = self.start(folder=self.folder)
        # A planted DLL that got in may break the start: stop at whichever comes first.
        wait_for(lambda: run.windows(586) or self.fired(), 90, "the main window")
        self.assertEqual([], self.fired())
        window = run.main_window()
        wait_for(lambda: self.steps() == ["DownloaderStart"], 60,
                 "the first step report")
        run.click(window, MAIN_EN["installbtn"])
        wait_for(lambda: "SetupSuccess" in self.steps(), 300,
                 "the install to succeed (steps %r)" % self.server.steps())
        window = run.main_window()
        self.assertEqual(["DownloaderStart", "Percent2", "Percent50", "SetupDownloaded",
                          "SetupSuccess"],
                         self.steps())
        run.click(window, MAIN_EN["endbtn"])
        self.assertEqual(0, run.wait())
        time.sleep(1)
        self.assertEqual([], self.fired())
        self.assertIn("DLL search: system folder only", self.prefix.log_text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
