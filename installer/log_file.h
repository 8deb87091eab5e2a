#pragma once
// Where the installer's log (standard output) is written.
#include <string>

// Reopens standard output on the log file: requestedPath when given, otherwise
// "Velmorainstaller.log" in the roaming application data. The file is truncated.
void OpenInstallerLog(const std::wstring& requestedPath);
