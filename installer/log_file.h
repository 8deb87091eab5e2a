#pragma once
// The installer's log file, on standard output.
#include <string>

// Opens the log on standard output: requestedPath, or "" for the usual place
// (%APPDATA%\Velmorainstaller.log), truncated. The file is opened without following links: a
// folder on its way or the file itself that is a link (reparse point), or a file with more than
// one name (hard link), is refused and not written; an administrator's log then goes to the
// package folder (which only administrators can write), with a line saying why.
void OpenInstallerLog(const std::wstring& requestedPath);

// The file the log went to ("" when none was opened).
std::wstring InstallerLogPath();
