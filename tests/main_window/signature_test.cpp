// The package's signature check against real signed files: a throw-away test publisher and
// another certificate (openssl), the test setup package signed by each with osslsigncode, one
// signed copy altered afterwards, and the unsigned package; checked by the system's
// WinVerifyTrust through the same write-protected handle the install keeps.
#include <windows.h>

#include <gtest/gtest.h>
#include <wintrust.h>

#include <cstdlib>
#include <string>

#include "download/locked_file.h"
#include "download/sha256.h"
#include "installer/authenticode.h"
#include "installer/publisher_check.h"
#include "installer/publisher_pin.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {
std::string SigningFile(const std::string& name) {
    const char* dir = std::getenv("VELMORA_SIGNING_DIR");
    return std::string(dir ? dir : ".") + "\\" + name;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string PublisherPin() {
    return Trimmed(ReadFileBytes(SigningFile("publisher.pin")));
}

std::string OtherPin() {
    return Trimmed(ReadFileBytes(SigningFile("other.pin")));
}

std::wstring WidePath(const std::string& path) {
    return std::wstring(path.begin(), path.end());
}

SignatureCheck Check(const std::string& name) {
    const std::string path = SigningFile(name);
    ScopedHandle file = OpenFileLocked(path, "test");
    EXPECT_TRUE(file.valid()) << path;
    return VerifyFileSignature(file.get(), WidePath(path));
}

bool Accepted(const std::string& name, const std::string& pins) {
    const std::string path = SigningFile(name);
    ScopedHandle file = OpenFileLocked(path, "test");
    return PublisherAccepted(file.get(), WidePath(path), pins);
}

std::string PinOf(const SignatureCheck& check) {
    return CertificatePin(reinterpret_cast<const unsigned char*>(check.signerCertificate.data()),
                          check.signerCertificate.size());
}
}  // namespace

TEST(PublisherPin, Sha256MatchesTheStandardVectors) {
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
              GetStringSHA256("", 0));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
              GetStringSHA256("abc", 3));
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
              GetStringSHA256(two.data(), two.size()));
    // A million bytes fed in uneven pieces.
    Sha256Context ctx;
    Sha256Init(ctx);
    const std::string piece(997, 'a');
    size_t fed = 0;
    while (fed < 1000000) {
        const size_t n = std::min<size_t>(piece.size(), 1000000 - fed);
        Sha256Update(ctx, piece.data(), n);
        fed += n;
    }
    unsigned char digest[32];
    Sha256Final(ctx, digest);
    EXPECT_EQ(0xcd, digest[0]);
    EXPECT_EQ(0xc7, digest[1]);
    EXPECT_EQ(0xd0, digest[31]);
}

TEST(PublisherPin, SettingsParseToLowercasePinsAndAMistypedPinIsNotNoCheck) {
    const std::string a(64, 'a');
    const std::string b = std::string(62, '0') + "Ff";
    bool ok = false;
    EXPECT_EQ(std::vector<std::string>{a}, ParsePublisherPins(std::string(64, 'A'), &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ((std::vector<std::string>{a, std::string(62, '0') + "ff"}),
              ParsePublisherPins(" " + a + " , " + b + ",", &ok));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(ParsePublisherPins(a.substr(1), &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(ParsePublisherPins(a + "," + std::string(63, 'a') + "g", &ok).empty());
    EXPECT_FALSE(ok);
    // A setting that is not valid refuses every package, even a good one.
    LogCapture log;
    EXPECT_FALSE(Accepted("signed.pkg", "not-a-pin"));
    EXPECT_EQ(
        1, log.countStartingWith("package refused: this build's publisher pin is not valid", "E/"));
}

TEST(PublisherPin, PinIsTheSha256OfTheCertificatesPublicKeyInfoAsOpensslComputesIt) {
    const std::string der = ReadFileBytes(SigningFile("publisher.der"));
    ASSERT_FALSE(der.empty());
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
    EXPECT_EQ(PublisherPin(), CertificatePin(bytes, der.size()));
    // Cut short or damaged: no pin rather than a wrong one.
    EXPECT_EQ("", CertificatePin(bytes, der.size() / 3));
    std::string damaged = der;
    damaged[0] = 0x31;
    EXPECT_EQ(
        "", CertificatePin(reinterpret_cast<const unsigned char*>(damaged.data()), damaged.size()));
    EXPECT_EQ("", CertificatePin(nullptr, 0));
}

TEST(Signature, WinVerifyTrustTellsSignedUnsignedAlteredAndFindsTheSigner) {
    const SignatureCheck good = Check("signed.pkg");
    EXPECT_TRUE(good.checked);
    EXPECT_EQ(0, good.result);
    EXPECT_TRUE(good.contentIntact);
    EXPECT_EQ("Velmora Test Publisher", good.signerName);
    EXPECT_EQ(PublisherPin(), PinOf(good));

    const SignatureCheck other = Check("other.pkg");
    EXPECT_EQ(SignatureVerdict::Valid, ClassifyTrustResult(other.result));
    EXPECT_EQ("Velmora Impostor", other.signerName);
    EXPECT_EQ(OtherPin(), PinOf(other));

    const SignatureCheck none = Check("unsigned.pkg");
    EXPECT_EQ(SignatureVerdict::Unsigned, ClassifyTrustResult(none.result));
    EXPECT_EQ("", none.signerCertificate);

    const SignatureCheck altered = Check("tampered.pkg");
    EXPECT_EQ(SignatureVerdict::Altered, ClassifyTrustResult(altered.result));
}

TEST(Signature, OnlyAPackageSignedWithAPinnedKeyRunsAndEachRefusalSaysWhyAndWho) {
    LogCapture log;
    EXPECT_TRUE(Accepted("signed.pkg", PublisherPin()));
    EXPECT_EQ(1, log.countExact("package signed by our publisher: \"Velmora Test Publisher\" key " +
                                    PublisherPin(),
                                "I/"))
        << log.dump();
    EXPECT_FALSE(Accepted("unsigned.pkg", PublisherPin()));
    EXPECT_FALSE(Accepted("tampered.pkg", PublisherPin()));
    EXPECT_FALSE(Accepted("other.pkg", PublisherPin()));
    EXPECT_EQ(1, log.countExact("package refused: not signed (0x800b0100), signer: none", "E/"))
        << log.dump();
    EXPECT_EQ(1, log.countStartingWith("package refused: changed after signing (0x80096010)", "E/"))
        << log.dump();
    EXPECT_EQ(1, log.countExact("package refused: signed by another publisher, signer: "
                                "\"Velmora Impostor\" key " +
                                    OtherPin(),
                                "E/"))
        << log.dump();
    // A key change: both keys pinned for a while.
    EXPECT_TRUE(Accepted("other.pkg", PublisherPin() + "," + OtherPin()));
    // No pin: today's behaviour, no check at all.
    EXPECT_TRUE(Accepted("unsigned.pkg", ""));
    EXPECT_TRUE(Accepted("tampered.pkg", ""));
}

TEST(Signature, ChainErrorsAloneDoNotMakeASignatureInvalidButOtherFailuresDo) {
    EXPECT_EQ(SignatureVerdict::Valid, ClassifyTrustResult(0));
    EXPECT_EQ(SignatureVerdict::ValidUntrusted, ClassifyTrustResult(CERT_E_UNTRUSTEDROOT));
    EXPECT_EQ(SignatureVerdict::ValidUntrusted, ClassifyTrustResult(CERT_E_CHAINING));
    EXPECT_EQ(SignatureVerdict::Unsigned, ClassifyTrustResult(TRUST_E_NOSIGNATURE));
    EXPECT_EQ(SignatureVerdict::Unsigned, ClassifyTrustResult(TRUST_E_SUBJECT_FORM_UNKNOWN));
    EXPECT_EQ(SignatureVerdict::Altered, ClassifyTrustResult(TRUST_E_BAD_DIGEST));
    EXPECT_EQ(SignatureVerdict::Invalid, ClassifyTrustResult(CERT_E_EXPIRED));
    EXPECT_EQ(SignatureVerdict::Invalid, ClassifyTrustResult(CERT_E_REVOKED));
    EXPECT_EQ(SignatureVerdict::Invalid, ClassifyTrustResult(TRUST_E_EXPLICIT_DISTRUST));
}
