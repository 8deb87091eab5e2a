// The TLS policy: plain http passes untouched, a connection whose scheme cannot be told is
// refused, an https address whose server does not speak TLS (the loopback test server) fails
// with a line that names the host, and each reason a server certificate is refused for, on
// throw-away certificates made at build time (make_test_certificates.sh) whose test root this
// prefix trusts. Whole connections to nginx with such certificates: channel_trust_e2e.
#include "download/tls_policy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "download/curl_easy.h"
#include "tests/support/log_capture.h"
#include "tests/support/proxy_registry.h"
#include "tests/support/test_server.h"

namespace {
const char kHost[] = "update.velmora.example";

std::string Der(const std::string& name) {
    const char* dir = std::getenv("VELMORA_TLS_CERT_DIR");
    std::ifstream in(std::string(dir ? dir : ".") + "\\" + name + ".der", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A server certificate as the TLS layer hands it over: in a store of its own that holds the
// intermediates the server sent.
class ServerCertificate {
public:
    ServerCertificate(const std::string& leaf, std::initializer_list<const char*> sent = {}) {
        store_ = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        for (const char* name : sent) {
            Add(Der(name), nullptr);
        }
        Add(Der(leaf), &cert_);
    }
    ~ServerCertificate() {
        if (cert_)
            CertFreeCertificateContext(cert_);
        if (store_)
            CertCloseStore(store_, 0);
    }
    PCCERT_CONTEXT get() const { return cert_; }

private:
    void Add(const std::string& der, PCCERT_CONTEXT* added) {
        CertAddEncodedCertificateToStore(
            store_, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
            static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, added);
    }
    HCERTSTORE store_ = nullptr;
    PCCERT_CONTEXT cert_ = nullptr;
};

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class TlsCertificates : public ::testing::Test {
protected:
    // The test root goes into this prefix's Root store, as an administrator would add it.
    static void SetUpTestSuite() {
        const std::string root = Der("ca");
        ASSERT_FALSE(root.empty()) << "VELMORA_TLS_CERT_DIR";
        HCERTSTORE store =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        ASSERT_NE(nullptr, store);
        ASSERT_TRUE(CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root.data()),
            static_cast<DWORD>(root.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
        CertCloseStore(store, 0);
    }
    static PeerCheck Check(const ServerCertificate& cert, const std::string& host = kHost) {
        EXPECT_NE(nullptr, cert.get());
        return cert.get() ? CheckServerCertificate(cert.get(), host) : PeerCheck();
    }
};
}  // namespace

TEST(TlsPolicy, PlainHttpIsNotCheckedAndAnHttpsHandshakeFailureIsExplained) {
    ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
    TestServer::Reset();
    const std::string path = "/update/win/kelto/VLMU.ini";
    TestServer::Control("config?path=" + UrlEncode(path), "[full]\n", true);
    LogCapture log;
    CurlEasy::BasicRequest request;
    EXPECT_EQ("[full]\n", request.perform(TestServer::Url(path)).body);
    EXPECT_EQ(0, log.countContaining("TlsPolicy"));
    EXPECT_EQ(0, log.countStartingWith("TLS with"));

    // The same server asked for TLS: the handshake fails, nothing is read, the line says why.
    std::string https = TestServer::Url(path);
    https.replace(0, 4, "https");
    const CurlEasy::Response response = request.perform(https);
    EXPECT_EQ(0, response.code);
    EXPECT_EQ("", response.body);
    EXPECT_EQ(1, log.countExact("TLS with 127.0.0.1 failed: SSL connect error (code 35)", "E/"))
        << log.dump();
}

TEST(TlsPolicy, AConnectionWhoseSchemeCannotBeToldIsRefused) {
    // A handle that has made no connection has no scheme: refused, not taken for plain http.
    CURL* handle = curl_easy_init();
    ASSERT_NE(nullptr, handle);
    curl_easy_setopt(handle, CURLOPT_URL, "https://update.velmora.example/VLMU.ini");
    std::string host;
    const PeerCheck check = CheckPeer(handle, &host);
    EXPECT_FALSE(check.trusted);
    EXPECT_EQ("the connection's scheme is unknown", check.reason);
    curl_easy_cleanup(handle);
}

TEST_F(TlsCertificates, AGoodCertificateAndOneUnderASentIntermediatePass) {
    const PeerCheck good = Check(ServerCertificate("good"));
    EXPECT_TRUE(good.trusted) << good.reason;
    EXPECT_EQ("", good.reason);
    EXPECT_EQ(kHost, good.subject);
    const PeerCheck viaIntermediate = Check(ServerCertificate("via_int", {"int"}));
    EXPECT_TRUE(viaIntermediate.trusted) << viaIntermediate.reason;
}

TEST_F(TlsCertificates, EachRefusalSaysWhy) {
    const std::string untrusted = "issued by a certificate authority this machine does not trust";
    struct Case {
        const char* leaf;
        std::string reason;  // the start of it; the error code follows
    };
    const Case cases[] = {
        {"untrusted", untrusted},
        {"selfsigned", untrusted},
        {"otherhost", "issued for another host name (0x800b010f)"},
        {"expired", "expired or not yet valid"},
        {"clientonly", "not issued for server authentication"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.leaf);
        const PeerCheck check = Check(ServerCertificate(c.leaf));
        EXPECT_FALSE(check.trusted);
        EXPECT_TRUE(StartsWith(check.reason, c.reason)) << check.reason;
        EXPECT_FALSE(check.subject.empty());
    }
}

TEST_F(TlsCertificates, AnIssuerTheServerDidNotSendIsNotFetched) {
    // The certificate names where its issuer could be fetched; the chain is built from the
    // local stores only, so it ends without a trusted root.
    const PeerCheck check = Check(ServerCertificate("via_int"));
    EXPECT_FALSE(check.trusted);
    EXPECT_TRUE(
        StartsWith(check.reason, "issued by a certificate authority this machine does not trust"))
        << check.reason;
}

TEST_F(TlsCertificates, NoHostNameNoTrust) {
    const PeerCheck check = Check(ServerCertificate("good"), "");
    EXPECT_FALSE(check.trusted);
    EXPECT_EQ("no host name to check", check.reason);
}
