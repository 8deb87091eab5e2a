#include "installer/publisher_check.h"

#include <wintrust.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/log.h"
#include "installer/authenticode.h"
#include "installer/publisher_pin.h"

namespace {
const char kTag[] = "CMainFrame";

std::string Hex(LONG value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
    return text;
}

std::string Reason(SignatureVerdict verdict, LONG result) {
    switch (verdict) {
        case SignatureVerdict::Unsigned:
            return "not signed (" + Hex(result) + ")";
        case SignatureVerdict::Altered:
            return "changed after signing (" + Hex(result) + ")";
        case SignatureVerdict::Invalid:
            return "signature not valid (" + Hex(result) + ")";
        case SignatureVerdict::Valid:
        case SignatureVerdict::ValidUntrusted:
            break;
    }
    return "signed by another publisher";
}
}  // namespace

SignatureVerdict ClassifyTrustResult(LONG result) {
    switch (static_cast<HRESULT>(result)) {
        case ERROR_SUCCESS:
            return SignatureVerdict::Valid;
        case CERT_E_UNTRUSTEDROOT:
        case CERT_E_CHAINING:
            return SignatureVerdict::ValidUntrusted;
        case TRUST_E_NOSIGNATURE:
        case TRUST_E_SUBJECT_FORM_UNKNOWN:
        case TRUST_E_PROVIDER_UNKNOWN:
            return SignatureVerdict::Unsigned;
        case TRUST_E_BAD_DIGEST:
            return SignatureVerdict::Altered;
        default:
            return SignatureVerdict::Invalid;
    }
}

bool PublisherAccepted(HANDLE file, const std::wstring& path, const std::string& pinSetting) {
    if (pinSetting.empty()) {
        return true;
    }
    bool pinsValid = false;
    const std::vector<std::string> pins = ParsePublisherPins(pinSetting, &pinsValid);
    if (!pinsValid || pins.empty()) {
        LogE(kTag, "package refused: this build's publisher pin is not valid: ", pinSetting);
        return false;
    }
    const SignatureCheck check = VerifyFileSignature(file, path);
    if (!check.checked) {
        LogE(kTag, "package refused: its signature cannot be checked (wintrust.dll, code=",
             static_cast<unsigned long>(check.result), ")");
        return false;
    }
    const std::string signerPin =
        CertificatePin(reinterpret_cast<const unsigned char*>(check.signerCertificate.data()),
                       check.signerCertificate.size());
    const std::string signer =
        signerPin.empty() ? std::string("none") : "\"" + check.signerName + "\" key " + signerPin;
    const SignatureVerdict verdict = ClassifyTrustResult(check.result);
    const bool signatureGood = verdict == SignatureVerdict::Valid ||
                               (verdict == SignatureVerdict::ValidUntrusted && check.contentIntact);
    const bool pinned =
        !signerPin.empty() && std::find(pins.begin(), pins.end(), signerPin) != pins.end();
    if (signatureGood && pinned) {
        LogI(kTag, "package signed by our publisher: ", signer);
        return true;
    }
    LogE(kTag, "package refused: ",
         Reason(signatureGood ? SignatureVerdict::Valid : verdict, check.result),
         ", signer: ", signer);
    return false;
}
