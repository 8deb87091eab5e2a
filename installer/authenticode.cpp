#include "installer/authenticode.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "app/system_library.h"
#include "app/text_convert.h"

namespace {
using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
using ProvDataFromStateFn = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
using ProvSignerFromChainFn = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL,
                                                            DWORD);
using CertGetNameStringFn = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);

// A DLL of the system folder, loaded by its full path (never found through the search path).
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) : library_(LoadSystemLibrary(name)) {}
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    template <typename Fn>
    Fn Get(const char* name) const {
        return library_.get() ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(
                                    GetProcAddress(library_.get(), name)))
                              : nullptr;
    }

private:
    ScopedLibrary library_;
};

bool StepPassed(const CRYPT_PROVIDER_DATA* data, DWORD step) {
    return data->padwTrustStepErrors && step < data->cdwTrustStepErrors &&
           data->padwTrustStepErrors[step] == ERROR_SUCCESS;
}

std::string SubjectName(PCCERT_CONTEXT cert) {
    SystemLibrary crypt32(L"crypt32.dll");
    auto getName = crypt32.Get<CertGetNameStringFn>("CertGetNameStringW");
    if (!getName) {
        return std::string();
    }
    wchar_t name[256] = L"";
    getName(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
    return WideToAnsi(name);
}
}  // namespace

SignatureCheck VerifyFileSignature(HANDLE file, const std::wstring& path) {
    SignatureCheck check;
    SystemLibrary wintrust(L"wintrust.dll");
    auto verify = wintrust.Get<WinVerifyTrustFn>("WinVerifyTrust");
    auto provData = wintrust.Get<ProvDataFromStateFn>("WTHelperProvDataFromStateData");
    auto provSigner = wintrust.Get<ProvSignerFromChainFn>("WTHelperGetProvSignerFromChain");
    if (!verify || !provData || !provSigner) {
        check.result = static_cast<LONG>(GetLastError());
        return check;
    }
    LARGE_INTEGER start = {};
    SetFilePointerEx(file, start, nullptr, FILE_BEGIN);

    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    check.checked = true;
    check.result = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    if (CRYPT_PROVIDER_DATA* state = provData(data.hWVTStateData)) {
        check.contentIntact = StepPassed(state, TRUSTERROR_STEP_FINAL_OBJPROV) &&
                              StepPassed(state, TRUSTERROR_STEP_FINAL_SIGPROV);
        CRYPT_PROVIDER_SGNR* signer = provSigner(state, 0, FALSE, 0);
        if (signer && signer->csCertChain > 0 && signer->pasCertChain &&
            signer->pasCertChain[0].pCert) {
            PCCERT_CONTEXT cert = signer->pasCertChain[0].pCert;
            check.signerCertificate.assign(reinterpret_cast<const char*>(cert->pbCertEncoded),
                                           cert->cbCertEncoded);
            check.signerName = SubjectName(cert);
        }
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return check;
}
