#pragma once
// The one way the installer process ends, whether a prompt's quit button or the end of the
// message loop asks for it.
#include <windows.h>

#include <memory>

#include "installer/exit_codes.h"

class CTinyDownload;

// How long the end may take: the download's last bytes written and the queued reports sent.
constexpr DWORD kReportGraceMs = 2000;

// The downloader of the current install job (it replaces the previous one). EndInstaller stops
// it first, so every byte it received is in the file and the next run resumes after it.
void SetDownloadStoppedAtExit(std::shared_ptr<CTinyDownload> downloader);

// Stops the current job's download (the bytes received are written out), gives queued reports
// the rest of kReportGraceMs to reach their host, flushes the log and ends the process at once
// with exitCode (a run with the window always ends with 0). Neither static destructors nor
// DLL detach code run: the download, progress, report and probe threads may still be working,
// and they stop with the process instead of finding locks and strings freed under them.
[[noreturn]] void EndInstaller(int exitCode = kExitInstalled);
