#!/usr/bin/env python3
"""Fails when any built .exe imports an API that Windows XP SP3 does not have."""
import os
import subprocess
import sys

LATER_APIS = {
    "GetTickCount64", "InitializeConditionVariable", "SleepConditionVariableCS",
    "SleepConditionVariableSRW", "WakeConditionVariable", "WakeAllConditionVariable",
    "InitializeSRWLock", "AcquireSRWLockExclusive", "AcquireSRWLockShared",
    "ReleaseSRWLockExclusive", "ReleaseSRWLockShared", "TryAcquireSRWLockExclusive",
    "InitOnceExecuteOnce", "InitOnceBeginInitialize", "InitOnceComplete", "inet_pton",
    "inet_ntop", "InetPtonW", "InetNtopW", "if_nametoindex", "if_indextoname",
    "GetFileInformationByHandleEx", "SetFileInformationByHandle", "GetFinalPathNameByHandleW",
    "GetFinalPathNameByHandleA", "CreateSymbolicLinkW", "CreateSymbolicLinkA",
    "SHGetKnownFolderPath", "TaskDialog", "TaskDialogIndirect", "GetLocaleInfoEx",
    "LCMapStringEx", "CompareStringEx", "GetUserDefaultLocaleName", "CancelIoEx",
    "CreateEventExW", "CreateMutexExW", "CreateSemaphoreExW", "GetErrorMode",
    "QueryFullProcessImageNameW", "FlsAlloc", "WSAPoll", "GetQueuedCompletionStatusEx",
    "DwmExtendFrameIntoClientArea", "DwmIsCompositionEnabled", "RegGetValueW",
    "SetThreadErrorMode", "GetThreadErrorMode", "CreateThreadpoolWork",
}


def imports_of(exe):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True,
                         text=True, check=True).stdout
    dll = None
    found = []
    in_imports = False
    for line in out.splitlines():
        s = line.strip()
        if s.startswith("DLL Name:"):
            dll = s.split(":", 1)[1].strip()
            in_imports = True
            continue
        if in_imports and s and s[0].isdigit():
            parts = s.split()
            if len(parts) >= 3 and parts[1].isdigit():
                found.append((dll, parts[2]))
        if s.startswith("The Export Tables") or s.startswith("The Function Table"):
            in_imports = False
    return found


def main():
    root = sys.argv[1]
    exes = []
    for d, _, files in os.walk(root):
        # Only what the build made: not Wine prefixes, test folders or the demo's downloads.
        rel = os.path.relpath(d, root).split(os.sep)
        if rel[0] in ("testrun", "demo", "samples") or "wine" in rel or "_deps" in rel:
            continue
        exes += [os.path.join(d, f) for f in files if f.lower().endswith(".exe")]
    if not exes:
        print("no executables found under", root)
        return 1
    bad = []
    for exe in sorted(exes):
        imports = imports_of(exe)
        if not imports:
            bad.append((exe, "(no import table read)", ""))
        for dll, name in imports:
            if name in LATER_APIS:
                bad.append((exe, dll, name))
    for exe, dll, name in bad:
        print("NOT ON XP SP3: %s imports %s %s" % (os.path.relpath(exe, root), dll, name))
    print("checked %d executables" % len(exes))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
