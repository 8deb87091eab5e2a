#pragma once
// Starts the installed program and the links the user clicks as the desktop user. The installer
// runs elevated; what it starts directly inherits that token: the program would run as
// administrator for the whole session (its files owned by Administrators, drag and drop from
// Explorer refused) and the browser would open elevated. When the token is the full half of a
// split token, the desktop's shell (running as the user) is asked to start them instead. With
// no split token (XP, UAC off, a standard user) or no desktop shell to ask they start directly
// as before. A log line says which way was used.
#include <string>

enum class LaunchWay {
    DesktopUser,  // handed to the desktop's shell
    Direct,       // ShellExecute in this process
    Refused,      // a link that may not be opened (see link_policy.h)
    Failed,       // ShellExecute itself failed
};

// Opens `target` (a program's full path) with `directory` as its working folder.
// `what` names it in the log ("installed program").
LaunchWay OpenForDesktopUser(const std::wstring& target, const std::wstring& directory,
                             const char* what);

// Opens a web address for the user, if link_policy allows it (else a W line and nothing opens).
LaunchWay OpenLinkForDesktopUser(const std::wstring& url, const char* what);
