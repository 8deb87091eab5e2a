#include "app/process_token.h"

#include "app/scoped_handles.h"

namespace {
// The information classes and values of Vista's token queries, by number: XP's headers and XP
// itself do not know them (the query then fails, which reads as "not split").
const int kTokenElevationTypeClass = 18;
const DWORD kElevationTypeFull = 2;
}  // namespace

bool TokenIsElevatedSplit() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return false;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (!GetTokenInformation(token.get(),
                             static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationTypeClass), &type,
                             sizeof type, &size)) {
        return false;
    }
    return type == kElevationTypeFull;
}

bool TokenIsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &admins)) {
        return false;
    }
    BOOL member = FALSE;
    const bool ok = CheckTokenMembership(nullptr, admins, &member) != FALSE;
    FreeSid(admins);
    return ok && member;
}
