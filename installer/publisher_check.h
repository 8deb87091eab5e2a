#pragma once
// The decision whether a verified setup package may run: with a publisher pin, only when it
// carries a valid Authenticode signature made with a pinned key.
#include <windows.h>

#include <string>

enum class SignatureVerdict {
    Valid,           // signature valid, chain trusted
    ValidUntrusted,  // signature valid, but its chain ends at a root this machine does not trust
    Unsigned,        // no signature
    Altered,         // the file changed after it was signed
    Invalid,         // any other failure
};

// What a WinVerifyTrust answer says about the signature.
SignatureVerdict ClassifyTrustResult(LONG result);

// True when the package read through `file` may run: pinSetting is empty (no check), or the
// package's signature is valid and its signer's key matches a pin. Otherwise an E line names
// the reason and the signer found. A signature whose chain ends at an untrusted root counts as
// valid when its contents check out: the pin, not the machine's root list, names our publisher
// (an XP machine without root updates or network retrieval cannot build the chain).
bool PublisherAccepted(HANDLE file, const std::wstring& path, const std::string& pinSetting);
