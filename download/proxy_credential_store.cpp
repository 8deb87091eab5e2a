// Remembered proxy credentials in the Windows Credential Manager: one generic credential of the
// user per proxy, which Windows keeps encrypted for that user.
#include <windows.h>
#include <wincred.h>

#include "app/log.h"
#include "app/text_convert.h"
#include "download/proxy_auth.h"

namespace {
const char kTag[] = "ProxyAuth";

std::wstring TargetFor(const std::string& proxy) {
    return L"Velmora proxy " + WidenBytes(proxy);
}

struct CredentialTraits : NullIsNone<PCREDENTIALW> {
    static void Close(PCREDENTIALW credential) { CredFree(credential); }
};

bool ReadSaved(const std::string& proxy, ProxyCredentials* out) {
    const std::wstring target = TargetFor(proxy);
    PCREDENTIALW raw = nullptr;
    if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &raw)) {
        const DWORD error = GetLastError();
        if (error != ERROR_NOT_FOUND) {
            LogW(kTag, "saved credentials for proxy ", proxy,
                 " not readable, error=", static_cast<unsigned long>(error));
        }
        return false;
    }
    ScopedResource<CredentialTraits> credential(raw);
    const DWORD bytes = credential.get()->CredentialBlobSize;
    if (!credential.get()->UserName || bytes % sizeof(wchar_t) != 0 ||
        bytes > CRED_MAX_CREDENTIAL_BLOB_SIZE) {
        LogW(kTag, "saved credentials for proxy ", proxy, " are malformed, not used");
        return false;
    }
    out->user = credential.get()->UserName;
    out->password.assign(reinterpret_cast<const wchar_t*>(credential.get()->CredentialBlob),
                         bytes / sizeof(wchar_t));
    SecureZeroMemory(credential.get()->CredentialBlob, bytes);
    return true;
}

void WriteSaved(const std::string& proxy, const ProxyCredentials& credentials) {
    std::wstring target = TargetFor(proxy);
    std::wstring user = credentials.user;
    std::wstring password = credentials.password;
    CREDENTIALW credential = {};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = &target[0];
    credential.UserName = &user[0];
    credential.CredentialBlobSize = static_cast<DWORD>(password.size() * sizeof(wchar_t));
    credential.CredentialBlob = password.empty() ? nullptr : reinterpret_cast<LPBYTE>(&password[0]);
    // Kept for this user on this computer, across log-ons (not roamed with the profile).
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    if (!CredWriteW(&credential, 0)) {
        LogW(kTag, "credentials for proxy ", proxy,
             " not saved, error=", static_cast<unsigned long>(GetLastError()));
    }
    if (!password.empty()) {
        SecureZeroMemory(&password[0], password.size() * sizeof(wchar_t));
    }
}
}  // namespace

ProxyCredentialStore WindowsProxyCredentialStore() {
    ProxyCredentialStore store;
    store.read = &ReadSaved;
    store.write = &WriteSaved;
    return store;
}
