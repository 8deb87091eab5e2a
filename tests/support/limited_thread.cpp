#include "tests/support/limited_thread.h"

LimitedThread::LimitedThread() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &admins)) {
        return;
    }
    SID_AND_ATTRIBUTES disabled = {admins, 0};
    HANDLE process = nullptr, restricted = nullptr, impersonation = nullptr;
    active_ =
        OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process) &&
        CreateRestrictedToken(process, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted) &&
        DuplicateToken(restricted, SecurityImpersonation, &impersonation) &&
        SetThreadToken(nullptr, impersonation);
    CloseHandle(process);
    CloseHandle(restricted);
    CloseHandle(impersonation);
    FreeSid(admins);
}

LimitedThread::~LimitedThread() {
    RevertToSelf();
}
