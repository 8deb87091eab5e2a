#!/usr/bin/env python3
"""The installer imports at start only DLLs that Windows XP to 10 load from the system folder
whatever the program's folder holds (known DLLs); any other DLL must be delay-loaded
(cmake/VelmoraDelayLoad.cmake), or a copy planted beside the installer runs as administrator.

usage: check_installer_imports.py <VelmoraInstaller.exe>"""
import re
import subprocess
import sys

KNOWN = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
         "shell32.dll", "msvcrt.dll", "shlwapi.dll", "comdlg32.dll"}

out = subprocess.run(["i686-w64-mingw32-objdump", "-p", sys.argv[1]], capture_output=True,
                     text=True, check=True).stdout
imported = {m.lower() for m in re.findall(r"DLL Name: (\S+)", out)}
unprotected = sorted(imported - KNOWN)
if unprotected:
    sys.exit("imported at start but not protected by Windows: %s" % ", ".join(unprotected))
print("imports: %s" % ", ".join(sorted(imported)))
