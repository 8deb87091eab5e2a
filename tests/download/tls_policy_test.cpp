// The TLS policy where no certificate authority is needed: plain http passes untouched, and an
// https address whose server does not speak TLS (the loopback test server) fails with a line
// that names the host. Certificates themselves are tested against nginx (channel_trust_e2e).
#include "download/tls_policy.h"

#include <gtest/gtest.h>

#include "download/curl_easy.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_server.h"

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
