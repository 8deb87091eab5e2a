#pragma once
// A second copy of the installer started while one runs hands over to it: the running copy's
// window comes to the front (out of the notification area if need be) and the second copy ends
// before it fetches anything.
#include <windows.h>

class SingleInstance;

// The message a running installer's main window answers by showing itself again.
UINT ShowInstallerMessage();

// Waits up to `milliseconds` for the copy that holds `lock`: true once its window has been
// brought forward, or once the user has been told that an installation runs elsewhere (the
// holder is an installer in another session, or one that showed no window in time); false
// when it ended (this process now owns the lock) or a process squatting on the mutex showed
// no window in time (a squatter must not stop the installer for good).
bool HandOverToRunningInstaller(SingleInstance& lock, DWORD milliseconds);
