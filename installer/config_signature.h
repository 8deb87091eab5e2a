#pragma once
// The detached signature of the remote configuration: RSA PKCS#1 v1.5 over SHA-256 of the exact
// bytes served, as `openssl dgst -sha256 -sign` writes it (scripts/sign-config.sh). Checked with
// CryptoAPI (PROV_RSA_AES), which every Windows from XP SP3 on has.
#include <string>

// The key this build checks configurations with: base64 of the DER SubjectPublicKeyInfo of an
// RSA key (cache variable VELMORA_CONFIG_KEY). Empty: configurations are not checked.
const char* ConfiguredConfigKey();

struct ConfigKeyCheck {
    bool ok = false;
    std::string reason;  // why not, for the log line
};

// Whether signature is a valid signature of body by the key (base64 DER SubjectPublicKeyInfo).
// A key that cannot be read, or one shorter than 2048 bits, refuses every signature.
ConfigKeyCheck VerifyConfigSignature(const std::string& body, const std::string& signature,
                                     const std::string& keyBase64);
