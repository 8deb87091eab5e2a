#!/usr/bin/env python3
"""A silent run of the installer pinned to a test publisher, with no X display: a package signed
by another publisher is refused (set aside, not run) with the package-refused code; one signed
by the publisher installs.

usage: silent_publisher_test.py <VelmoraInstallerPinned.exe> <session_helper.exe>
                                <signed package> <package signed by another publisher>
                                <source root> <wine prefix root>
"""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from silent_run import CommandLineTestCase, PKG_FAIL, PKG_OK  # noqa: E402
import silent_run as codes  # noqa: E402


class SilentPublisherTest(CommandLineTestCase):
    PREFIX = "silent_publisher_e2e"
    DISPLAY = False

    def test_package_of_another_publisher_is_refused_the_publishers_installs(self):
        shutil.rmtree(self.prefix.drive_c("Program Files", "Velmora"), ignore_errors=True)
        download = self.prefix.package_folder()
        self.server.serve(PKG_FAIL)  # signed by another publisher
        run = self.start("/S")
        self.assertEqual(codes.PACKAGE_REFUSED, run.wait())
        self.assertIn("E/CMainFrame -- package refused: signed by another publisher",
                      self.silent_log())
        self.assertTrue(os.path.exists(os.path.join(download, "Setup.exe.rejected")))
        self.assertFalse(os.path.exists(
            self.prefix.drive_c("Program Files", "Velmora", "Velmora.exe")))
        self.assertIn("step=SetupFailed", self.server.reports()[-1])
        self.server.serve(PKG_OK)
        run = self.start("/S")
        self.assertEqual(codes.INSTALLED, run.wait())
        self.assertTrue(os.path.exists(
            self.prefix.drive_c("Program Files", "Velmora", "Velmora.exe")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
