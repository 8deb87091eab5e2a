#pragma once
// One installer per session: a named mutex, owned for the life of the process by the copy that
// runs. Two copies would write the same package file and loop on its checksum.
#include <windows.h>

#include "app/scoped_handles.h"

// Name of the installer's mutex in the session namespace.
extern const wchar_t kInstallerMutexName[];

class SingleInstance {
public:
    explicit SingleInstance(const wchar_t* name);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // This process holds the mutex: no other copy runs (or another copy has ended).
    bool owned() const { return owned_; }
    // Waits up to `milliseconds` for the holder to end; true when this process then owns it.
    // Always false when the mutex could not even be opened (another owner denies access).
    bool WaitForOwnership(DWORD milliseconds);
    // Why the mutex was not owned at creation: ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED...
    DWORD error() const { return error_; }

private:
    ScopedHandle mutex_;
    bool owned_ = false;
    DWORD error_ = ERROR_SUCCESS;
};
