#include "installer/publisher_pin.h"

#include "download/sha256.h"

namespace {
// One DER element at data[*pos]: its tag and the span of its contents. Lengths of more than
// four bytes are refused (no certificate is that large).
bool ReadElement(const unsigned char* data, size_t size, size_t* pos, unsigned char* tag,
                 size_t* contentStart, size_t* contentLength) {
    size_t p = *pos;
    if (p + 2 > size) {
        return false;
    }
    *tag = data[p++];
    size_t length = data[p++];
    if (length & 0x80) {
        const size_t bytes = length & 0x7f;
        if (bytes == 0 || bytes > 4 || p + bytes > size) {
            return false;
        }
        length = 0;
        for (size_t i = 0; i < bytes; ++i) {
            length = (length << 8) | data[p++];
        }
    }
    if (length > size - p) {
        return false;
    }
    *contentStart = p;
    *contentLength = length;
    *pos = p + length;
    return true;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}
}  // namespace

std::vector<std::string> ParsePublisherPins(const std::string& setting, bool* ok) {
    std::vector<std::string> pins;
    *ok = true;
    std::string current;
    auto finish = [&]() {
        if (current.empty()) {
            return;
        }
        bool hex = current.size() == 64;
        for (char c : current) {
            hex = hex && IsHexDigit(c);
        }
        if (hex) {
            pins.push_back(current);
        } else {
            *ok = false;
        }
        current.clear();
    };
    for (char c : setting) {
        if (c == ',') {
            finish();
        } else if (c != ' ' && c != '\t' && c != ':') {
            current += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    finish();
    if (!*ok) {
        pins.clear();
    }
    return pins;
}

bool CertificatePublicKeyInfo(const unsigned char* der, size_t length, std::string* spki) {
    const unsigned char kSequence = 0x30;
    unsigned char tag;
    size_t start, size, pos = 0;
    // Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { ... }, ... }
    if (!ReadElement(der, length, &pos, &tag, &start, &size) || tag != kSequence) {
        return false;
    }
    pos = start;
    const size_t certEnd = start + size;
    if (!ReadElement(der, certEnd, &pos, &tag, &start, &size) || tag != kSequence) {
        return false;
    }
    pos = start;
    const size_t tbsEnd = start + size;
    // [0] version (optional), serialNumber, signature, issuer, validity, subject, then the key.
    if (pos < tbsEnd && der[pos] == 0xa0 && !ReadElement(der, tbsEnd, &pos, &tag, &start, &size)) {
        return false;
    }
    for (int skip = 0; skip < 5; ++skip) {
        if (!ReadElement(der, tbsEnd, &pos, &tag, &start, &size)) {
            return false;
        }
    }
    const size_t keyStart = pos;
    if (!ReadElement(der, tbsEnd, &pos, &tag, &start, &size) || tag != kSequence) {
        return false;
    }
    spki->assign(reinterpret_cast<const char*>(der + keyStart), pos - keyStart);
    return true;
}

std::string CertificatePin(const unsigned char* der, size_t length) {
    std::string spki;
    if (!CertificatePublicKeyInfo(der, length, &spki)) {
        return std::string();
    }
    return GetStringSHA256(spki.data(), spki.size());
}
