#pragma once
// Windows version facts for the hardware profile and the old-system warnings.
#include <string>

// Tests of the running system against major.minor (VerifyVersionInfoW).
bool IsVersionEqual(unsigned major, unsigned minor);
bool IsVersionGreater(unsigned major, unsigned minor);
bool IsVersionLess(unsigned major, unsigned minor);

// "Windows XP", "Windows 7", ... from the name table; "" for a version no row matches.
std::string GetOsName();
// "major.minor.build" as GetVersionExW reports it.
std::string GetOsVersionText();

// True on any system older than Windows XP with Service Pack 3.
bool IsOlderThanXpSp3();
// True on Windows XP with Service Pack 3 exactly.
bool IsXpSp3();
