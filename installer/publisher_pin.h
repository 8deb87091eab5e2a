#pragma once
// The publisher pin: SHA-256 of the SubjectPublicKeyInfo of the key that signs our setup
// packages, as 64 hexadecimal digits. A build may pin several keys (a key change), separated by
// commas. An empty setting means the packages are not checked.
#include <cstddef>
#include <string>
#include <vector>

// The pin this build was made with (cache variable VELMORA_PUBLISHER_PIN).
const char* ConfiguredPublisherPin();

// The pins of a setting, lowercased, blanks dropped. An entry that is not 64 hexadecimal digits
// makes the whole setting invalid (ok = false): a mistyped pin must not mean "no check".
std::vector<std::string> ParsePublisherPins(const std::string& setting, bool* ok);

// The DER bytes of the SubjectPublicKeyInfo of a DER-encoded X.509 certificate; false when the
// certificate cannot be read that far.
bool CertificatePublicKeyInfo(const unsigned char* der, size_t length, std::string* spki);

// The pin of a DER certificate's key; "" when the certificate cannot be read.
std::string CertificatePin(const unsigned char* der, size_t length);
