#pragma once
// The WMI component's four functions, exported by name from the executable, and the lock that
// keeps two threads from using its one process-wide instance at once.
#include "app/scoped_handles.h"

extern "C" {
// Creates the process-wide instance for classKind (6: network information). 1 if an instance
// exists afterwards.
__declspec(dllexport) int __cdecl WMI_Init(int classKind);
// out must hold 512 wide characters. 1 when a value was written.
__declspec(dllexport) int __cdecl WMI_GetFirstHardwareInfo(int infoKind, wchar_t* out);
__declspec(dllexport) int __cdecl WMI_GetNextHardwareInfo(int infoKind, wchar_t* out);
// Disconnects and deletes the instance; always 1.
__declspec(dllexport) int __cdecl WMI_Exit();
}

class CHIBase;

// For class kind 6 makes a connected CNetworkInfo the process-wide instance (one still there
// is disconnected and deleted first); other kinds change nothing. Returns the instance.
CHIBase* CreateHardwareInfo(int classKind);

// Held for a whole Init ... Exit sequence so that another thread's sequence waits for it. The
// lock is recursive: the exported functions take it again for each call.
CriticalSection& WmiLock();

// One Init ... Exit sequence under WmiLock(): WMI_Init(classKind) on construction, WMI_Exit()
// on destruction.
class WmiSession {
public:
    explicit WmiSession(int classKind);
    ~WmiSession();
    WmiSession(const WmiSession&) = delete;
    WmiSession& operator=(const WmiSession&) = delete;
    // WMI_Init's result.
    int initResult() const { return initResult_; }

private:
    AutoLock lock_;
    int initResult_;
};
