#pragma once
// The installer's log file, on standard output.
#include <string>

// Opens the log on standard output, truncated: requestedPath, or "" for the usual place. The
// usual place is %APPDATA%\Velmorainstaller.log, except for an administrator's silent run and a
// run as SYSTEM: they write Velmorainstaller.log in the package folder (which only
// administrators can write; %APPDATA% when there is none, with a line saying why). The file is
// opened without following links: a folder on its way or the file itself that is a link
// (reparse point), or a file with more than one name (hard link), is refused and not written;
// an administrator's usual log then goes to the package folder, with a line saying why.
// False, with *failure, only when requestedPath was given and cannot be written: the log goes
// nowhere else then.
bool OpenInstallerLog(const std::wstring& requestedPath, bool silent, std::string* failure);

// The file the log went to ("" when none was opened).
std::wstring InstallerLogPath();
