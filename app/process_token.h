#pragma once
// What this process's token says about elevation, for the choices that depend on it: who starts
// the installed program and the links, and where the accepted configuration serial is kept.
#include <windows.h>

// The token is the full half of a split (UAC) token: an administrator's elevated process, whose
// desktop user is the same account without administrator rights. False on XP (which has no such
// query), with UAC off and for a standard user.
bool TokenIsElevatedSplit();

// The token has the Administrators group enabled (XP's administrator, or an elevated process).
bool TokenIsAdministrator();
