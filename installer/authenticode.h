#pragma once
// The Authenticode signature of a file, checked by the system's WinVerifyTrust (generic verify
// action, no user interface, no revocation check, no network retrieval). wintrust.dll and
// crypt32.dll are loaded from the system folder at run time, so the installer imports neither.
#include <windows.h>

#include <string>

struct SignatureCheck {
    bool checked = false;           // wintrust could be called; otherwise result is a system error
    LONG result = 0;                // WinVerifyTrust's answer: 0 for a valid signature
    bool contentIntact = false;     // the signature was read and matches the file's contents
    std::string signerCertificate;  // DER of the signing certificate, "" when none was found
    std::string signerName;         // its subject as displayed, "" when none was found
};

// Checks the file read through `file` (path names it for the checker and in messages).
SignatureCheck VerifyFileSignature(HANDLE file, const std::wstring& path);
