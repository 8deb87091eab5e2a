#pragma once
// One installer per machine: a named mutex in the machine-wide namespace, owned for the life of
// the process by the copy that runs. The package folder is the machine's, so a silent run in
// session 0 and a user's window must not run side by side on one package. The mutex is made
// with a descriptor that only Administrators and SYSTEM may open, and owned by Administrators:
// a lock whose owner is anyone else is a squatter's, which may delay the installer but never
// stop it. A second, per-session mutex tells whether the running copy is in this session (its
// window can be brought forward) or in another (only a message can be shown).
//
// A token without Administrators (a limited XP user) cannot give the lock that owner; it keeps
// the per-session lock as before (its run cannot write the machine's package folder anyway).
#include <windows.h>

#include "app/scoped_handles.h"

// The machine's lock, and the marker of the session the running copy is in (the name the
// per-session lock had).
extern const wchar_t kInstallerMutexName[];
extern const wchar_t kInstallerSessionMutexName[];
// Owner Administrators; only Administrators and SYSTEM may open it.
extern const wchar_t kInstallerMutexSddl[];

class SingleInstance {
public:
    enum class Scope { Machine, Session };

    SingleInstance(const wchar_t* machineName, const wchar_t* sessionName);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // This process holds the lock: no other copy runs (or another copy has ended).
    bool owned() const { return owned_; }
    // Waits up to `milliseconds` for the holder to end; true when this process then owns it.
    // Always false when the mutex could not even be opened (another owner denies access).
    bool WaitForOwnership(DWORD milliseconds);
    // Why the mutex was not owned at creation: ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED...
    DWORD error() const { return error_; }
    // Session: the token is no administrator's and the lock is per session.
    Scope scope() const { return scope_; }
    // The lock is held by an installer (it is owned by Administrators or SYSTEM), not by a
    // process of a user squatting on its name.
    bool heldByInstaller() const { return heldByInstaller_; }
    // A copy in this session holds the lock (its session marker exists).
    bool holderInThisSession() const;

private:
    void TakeOwnership();

    const wchar_t* sessionName_;
    ScopedHandle mutex_;
    ScopedHandle sessionMarker_;
    bool owned_ = false;
    bool heldByInstaller_ = false;
    Scope scope_ = Scope::Machine;
    DWORD error_ = ERROR_SUCCESS;
};
