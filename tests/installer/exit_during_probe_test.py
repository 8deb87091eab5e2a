#!/usr/bin/env python3
"""The installer's end while another thread is inside the hardware probe: under Wine, ending
with ExitProcess there hung or crashed the process in about one run of seven (Direct3D's detach
code meeting the thread stopped half way through its set-up). A driver ends through
EndInstaller after delays spread over the probe's first second; every run must end at once
with the code it was given.

usage: exit_during_probe_test.py <exit_driver.exe> <source root> <wine prefix root>
"""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import Prefix, arguments  # noqa: E402

DRIVER, _, PREFIX_ROOT = arguments(3)
RUNS = 40
CODE = 7


class ExitDuringProbeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = Prefix(PREFIX_ROOT, "exit_during_probe")

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop()

    def end_after(self, delay):
        """How one run ended: its exit code, or a text saying it did not end."""
        proc = subprocess.Popen(["wine", DRIVER, str(delay), str(CODE)], env=self.prefix.env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            out, _ = proc.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            return "still running after 60 s"
        if "probing" not in out:
            return "no probe (output %r, code %d)" % (out, proc.returncode)
        return proc.returncode

    def test_every_end_during_the_probe_is_prompt_and_keeps_its_code(self):
        delays = [(i * 23) % 1000 for i in range(RUNS)]
        ended = {delay: self.end_after(delay) for delay in delays}
        self.assertEqual({}, {d: how for d, how in ended.items() if how != CODE})


if __name__ == "__main__":
    unittest.main(verbosity=2)
