#pragma once
// The one way the installer process ends, whether a prompt's quit button or the end of the
// message loop asks for it.
#include <windows.h>

#include "installer/exit_codes.h"

// How long reports still queued may hold up the end.
constexpr DWORD kReportGraceMs = 2000;

// Gives queued reports kReportGraceMs to reach their host, flushes the log and ends the
// process at once with exitCode (a run with the window always ends with 0). No static destructor
// runs: the download, progress and report threads may still be working, and they stop with the
// process instead of finding locks and strings freed under them.
[[noreturn]] void EndInstaller(int exitCode = kExitInstalled);
