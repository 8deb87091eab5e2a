#include "app/single_instance.h"

#include <aclapi.h>
#include <sddl.h>

#include "app/process_token.h"

const wchar_t kInstallerMutexName[] =
    L"Global\\VelmoraInstaller.{5d3f8a52-6c1e-4b7e-9d2a-0e4f7b1c9a63}";
const wchar_t kInstallerSessionMutexName[] =
    L"Local\\VelmoraInstaller.{5d3f8a52-6c1e-4b7e-9d2a-0e4f7b1c9a63}";
#define VELMORA_MUTEX_DACL L"D:P(A;;GA;;;BA)(A;;GA;;;SY)"
const wchar_t kInstallerMutexSddl[] = L"O:BA" VELMORA_MUTEX_DACL;

namespace {
struct LocalMemoryTraits : NullIsNone<PSECURITY_DESCRIPTOR> {
    static void Close(PSECURITY_DESCRIPTOR memory) { LocalFree(memory); }
};
using ScopedDescriptor = ScopedResource<LocalMemoryTraits>;

bool IsSid(PSID sid, DWORD rid0, DWORD rid1, BYTE count) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID wanted = nullptr;
    if (!AllocateAndInitializeSid(&nt, count, rid0, rid1, 0, 0, 0, 0, 0, 0, &wanted)) {
        return false;
    }
    const bool same = EqualSid(sid, wanted) != FALSE;
    FreeSid(wanted);
    return same;
}

// Only an administrator's or SYSTEM's token can have made an object owned by either.
bool OwnedByAdministratorsOrSystem(HANDLE object) {
    PSID owner = nullptr;
    ScopedDescriptor descriptor;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, descriptor.put()) != ERROR_SUCCESS ||
        owner == nullptr) {
        return false;
    }
    return IsSid(owner, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2) ||
           IsSid(owner, SECURITY_LOCAL_SYSTEM_RID, 0, 1);
}

// The mutex with that descriptor; `error` is CreateMutexW's last error (ERROR_ALREADY_EXISTS...).
HANDLE CreateMachineMutex(const wchar_t* name, const wchar_t* sddl, DWORD* error) {
    ScopedDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                              descriptor.put(), nullptr)) {
        *error = GetLastError();
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    HANDLE mutex = CreateMutexW(&attributes, TRUE, name);
    *error = GetLastError();
    return mutex;
}
}  // namespace

SingleInstance::SingleInstance(const wchar_t* machineName, const wchar_t* sessionName)
    : sessionName_(sessionName) {
    if (!TokenIsAdministrator()) {
        scope_ = Scope::Session;
        mutex_.reset(CreateMutexW(nullptr, TRUE, sessionName));
        error_ = GetLastError();
    } else {
        mutex_.reset(CreateMachineMutex(machineName, kInstallerMutexSddl, &error_));
        if (!mutex_.valid() && error_ == ERROR_INVALID_OWNER) {
            // A token that may not name Administrators as owner: its default owner (SYSTEM's
            // own, for instance) stays, which still reads as an installer's.
            mutex_.reset(CreateMachineMutex(machineName, VELMORA_MUTEX_DACL, &error_));
        }
    }
    if (!mutex_.valid()) {
        return;  // a squatter's descriptor that shuts administrators out
    }
    if (error_ != ERROR_ALREADY_EXISTS) {
        error_ = ERROR_SUCCESS;
        TakeOwnership();
        return;
    }
    heldByInstaller_ = scope_ == Scope::Machine && OwnedByAdministratorsOrSystem(mutex_.get());
    // It existed: the holder may also be a copy that has just ended (abandoned) or a process
    // that created it without owning it.
    WaitForOwnership(0);
}

SingleInstance::~SingleInstance() {
    if (owned_) {
        ReleaseMutex(mutex_.get());
    }
}

void SingleInstance::TakeOwnership() {
    owned_ = true;
    heldByInstaller_ = false;
    if (scope_ == Scope::Machine) {
        sessionMarker_.reset(CreateMutexW(nullptr, FALSE, sessionName_));
    }
}

bool SingleInstance::holderInThisSession() const {
    if (scope_ == Scope::Session) {
        return true;
    }
    ScopedHandle marker(OpenMutexW(SYNCHRONIZE, FALSE, sessionName_));
    return marker.valid() || GetLastError() == ERROR_ACCESS_DENIED;
}

bool SingleInstance::WaitForOwnership(DWORD milliseconds) {
    if (owned_) {
        return true;
    }
    if (!mutex_.valid()) {
        Sleep(milliseconds);
        return false;
    }
    const DWORD result = WaitForSingleObject(mutex_.get(), milliseconds);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
        TakeOwnership();
    }
    return owned_;
}
