#!/usr/bin/env python3
"""Opens by name in a held folder: a driver holds a folder under Wine, this script (a second
process, as a program of the user would be) renames the folder and puts a link to another
folder in its place, then the driver writes, reads, deletes and lists by name. Everything
must happen in the folder that was held, nothing through the link.

usage: relative_open_test.py <relative_open_driver.exe> <source root> <wine prefix root>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import Prefix, arguments  # noqa: E402

DRIVER, _, PREFIX_ROOT = arguments(3)


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def read(path):
    with open(path) as f:
        return f.read()


class RelativeOpenTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = Prefix(PREFIX_ROOT, "relative_open_tests", display=False)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop()

    def setUp(self):
        self.base = self.prefix.drive_c("relopen")
        shutil.rmtree(self.base, ignore_errors=True)
        self.held = os.path.join(self.base, "a", "held")
        os.makedirs(self.held)
        self.elsewhere = tempfile.mkdtemp(prefix="velmora-elsewhere-")
        self.addCleanup(shutil.rmtree, self.elsewhere, ignore_errors=True)
        self.addCleanup(shutil.rmtree, self.base, ignore_errors=True)
        for folder, owner in ((self.held, "held"), (self.elsewhere, "elsewhere")):
            write(os.path.join(folder, "read.txt"), "read in " + owner)
            write(os.path.join(folder, "victim.txt"), "kept in " + owner)

    def run_driver(self, swap):
        """Starts the driver on the held folder, lets swap() act once it is held, then lets
        the driver go on; returns its report."""
        proc = subprocess.Popen(["wine", DRIVER, "C:\\relopen\\a\\held"], env=self.prefix.env,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.assertEqual("held", proc.stdout.readline().strip())
        swap()
        out, _ = proc.communicate("go\n", timeout=120)
        self.assertEqual(0, proc.returncode, out)
        return dict(line.strip().partition("=")[::2] for line in out.splitlines() if "=" in line)

    def check_held_folder_used(self, real, report):
        self.assertEqual("yes", report["written"])
        self.assertEqual("installer", read(os.path.join(real, "written.txt")))
        self.assertEqual("read in held", report["read"])
        # Deleted by its handle, the name goes from the held folder; Wine removes it by the path
        # it was opened by, which now leads through the link, and so removes nothing: the
        # driver must then say it was not deleted.
        deleted = not os.path.exists(os.path.join(real, "victim.txt"))
        self.assertEqual(deleted, report["deleted"] == "yes", report["deleted"])
        if not deleted:
            self.assertIn("victim.txt (error 80)", report["deleted"])
        self.assertEqual(sorted(os.listdir(real)), sorted(report["listed"].split(",")))
        # Nothing went through the link.
        self.assertEqual(["read.txt", "victim.txt"], sorted(os.listdir(self.elsewhere)))
        self.assertEqual("kept in elsewhere", read(os.path.join(self.elsewhere, "victim.txt")))

    def test_held_folder_replaced_by_a_link_after_its_check(self):
        real = self.held + ".real"

        def swap():
            os.rename(self.held, real)
            os.symlink(self.elsewhere, self.held)
        self.check_held_folder_used(real, self.run_driver(swap))

    def test_folder_above_replaced_by_a_link_after_its_check(self):
        above = os.path.join(self.base, "a")
        moved = os.path.join(self.base, "a.real")
        os.makedirs(os.path.join(self.elsewhere, "held"))
        for name in ("read.txt", "victim.txt"):
            shutil.move(os.path.join(self.elsewhere, name), os.path.join(self.elsewhere, "held"))
        self.elsewhere = os.path.join(self.elsewhere, "held")

        def swap():
            os.rename(above, moved)
            os.symlink(os.path.dirname(self.elsewhere), above)
        self.check_held_folder_used(os.path.join(moved, "held"), self.run_driver(swap))


if __name__ == "__main__":
    unittest.main(verbosity=2)
