#!/usr/bin/env python3
"""Fails unless every given executable exports the four WMI functions by name."""
import subprocess
import sys

NAMES = {"WMI_Init", "WMI_GetFirstHardwareInfo", "WMI_GetNextHardwareInfo", "WMI_Exit"}


def exported_names(exe):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True,
                         text=True, check=True).stdout
    names = set()
    in_table = False
    for line in out.splitlines():
        s = line.strip()
        if s.startswith("[Ordinal/Name Pointer] Table"):
            in_table = True
            continue
        if in_table:
            if not s.startswith("["):
                break
            names.add(s.split("]", 1)[1].strip())
    return names


def main():
    failed = False
    for exe in sys.argv[1:]:
        missing = NAMES - exported_names(exe)
        if missing:
            print(f"{exe}: not exported: {', '.join(sorted(missing))}")
            failed = True
        else:
            print(f"{exe}: exports {', '.join(sorted(NAMES))}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
