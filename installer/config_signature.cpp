#include "installer/config_signature.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/scoped_handles.h"

namespace {
const DWORD kMinimumKeyBits = 2048;

bool DecodeBase64(const std::string& text, std::vector<BYTE>* out) {
    DWORD size = 0;
    if (text.empty() ||
        !CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                              nullptr, &size, nullptr, nullptr)) {
        return false;
    }
    out->resize(size);
    return CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                                out->data(), &size, nullptr, nullptr) &&
           (out->resize(size), true);
}

// Imports the RSA public key of a DER SubjectPublicKeyInfo; sets its length in bits.
bool ImportKey(HCRYPTPROV provider, const std::vector<BYTE>& der, ScopedCryptKey* key,
               DWORD* bits) {
    CERT_PUBLIC_KEY_INFO* info = nullptr;
    DWORD infoSize = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, der.data(),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             &info, &infoSize)) {
        return false;
    }
    const bool rsa =
        info->Algorithm.pszObjId && std::string(info->Algorithm.pszObjId) == szOID_RSA_RSA;
    const bool imported =
        rsa && CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, info, key->put());
    LocalFree(info);
    if (!imported) {
        return false;
    }
    DWORD size = sizeof *bits;
    return CryptGetKeyParam(key->get(), KP_KEYLEN, reinterpret_cast<BYTE*>(bits), &size, 0) != 0;
}
}  // namespace

ConfigKeyCheck VerifyConfigSignature(const std::string& body, const std::string& signature,
                                     const std::string& keyBase64) {
    ConfigKeyCheck check;
    std::vector<BYTE> der;
    if (!DecodeBase64(keyBase64, &der)) {
        check.reason = "the configuration key of this build is not base64";
        return check;
    }
    HCRYPTPROV acquired = 0;
    ScopedCryptProvider provider(CryptAcquireContextW(&acquired, nullptr, nullptr, PROV_RSA_AES,
                                                      CRYPT_VERIFYCONTEXT | CRYPT_SILENT)
                                     ? acquired
                                     : 0);
    if (!provider.get()) {
        check.reason = "no RSA/AES crypto provider (error " + std::to_string(GetLastError()) + ")";
        return check;
    }
    ScopedCryptKey key;
    DWORD bits = 0;
    if (!ImportKey(provider.get(), der, &key, &bits)) {
        check.reason = "the configuration key of this build is not an RSA public key";
        return check;
    }
    if (bits < kMinimumKeyBits) {
        check.reason = "the configuration key of this build has " + std::to_string(bits) +
                       " bits, fewer than " + std::to_string(kMinimumKeyBits);
        return check;
    }
    if (signature.size() != bits / 8) {
        check.reason = "the signature is " + std::to_string(signature.size()) + " bytes, not " +
                       std::to_string(bits / 8);
        return check;
    }
    ScopedCryptHash hash;
    if (!CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put()) ||
        !CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(body.data()),
                       static_cast<DWORD>(body.size()), 0)) {
        check.reason = "SHA-256 not available (error " + std::to_string(GetLastError()) + ")";
        return check;
    }
    // CryptoAPI takes the signature's bytes in little-endian order, openssl writes big-endian.
    std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
    if (!CryptVerifySignatureW(hash.get(), reversed.data(), static_cast<DWORD>(reversed.size()),
                               key.get(), nullptr, 0)) {
        check.reason = "the signature does not match the configuration key";
        return check;
    }
    check.ok = true;
    return check;
}
