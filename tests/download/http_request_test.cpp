#include "download/curl_easy.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/log_capture.h"
#include "tests/support/test_server.h"

namespace {
class HttpRequest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
        TestServer::Reset();
    }
};

// A loopback port with nothing listening: bind, read the port, close.
int ClosedPort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);
    return ntohs(addr.sin_port);
}
}  // namespace

TEST_F(HttpRequest, FollowsRedirectAndCarriesItsCookie) {
    const std::string path = "/update/win/kelto/VLMU.ini";
    TestServer::Control("config?path=" + UrlEncode(path) + "&redirect=1",
                        "[full]\naddress=http://x/Setup.exe\n");
    LogCapture log;
    CurlEasy::BasicRequest request;
    CurlEasy::Response response = request.perform(TestServer::Url(path));
    EXPECT_EQ(200, response.code);
    EXPECT_EQ("[full]\naddress=http://x/Setup.exe\n", response.body);
    std::vector<ServerRequest> seen = TestServer::RequestsFor("GET", path);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("", seen[0].cookie);
    EXPECT_EQ("r=1", seen[1].query);
    EXPECT_NE(std::string::npos, seen[1].cookie.find("vlmsession=k7Q2"));
    EXPECT_EQ(1, log.countExact("reponse code=200", "T/"));
    EXPECT_EQ(0, log.countStartingWith("checkResult", "E/"));
}

TEST_F(HttpRequest, ErrorPageIsAnOrdinaryResponse) {
    LogCapture log;
    CurlEasy::BasicRequest request;
    CurlEasy::Response response = request.perform(TestServer::Url("/nothing/here.ini"));
    EXPECT_EQ(404, response.code);
    EXPECT_NE(std::string::npos, response.body.find("<h1>Not Found</h1>"));
    EXPECT_EQ(0, log.countStartingWith("checkResult", "E/"));
    EXPECT_EQ(1, log.countExact("reponse code=404", "T/"));
}

TEST_F(HttpRequest, RefusedConnectionGivesCodeZeroAndAnErrorLine) {
    LogCapture log;
    CurlEasy::BasicRequest request;
    const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x.ini";
    CurlEasy::Response response = request.perform(url);
    EXPECT_EQ(0, response.code);
    EXPECT_EQ("", response.body);
    EXPECT_EQ(1, log.countExact("checkResult code=7", "E/")) << log.dump();
    EXPECT_EQ(1, log.countExact("reponse code=0", "T/"));
}

TEST_F(HttpRequest, ServerThatNeverAnswersIsGivenUpAfterTheTimeLimit) {
    // A listening socket that accepts the connection (backlog) but never answers.
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
    ASSERT_EQ(0, listen(s, 4));
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    LogCapture log;
    CurlEasy::BasicRequest request(2);
    CurlEasy::Response response =
        request.perform("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x.ini");
    closesocket(s);
    EXPECT_EQ(0, response.code);
    EXPECT_EQ(1, log.countExact("checkResult code=28", "E/")) << log.dump();
}

TEST_F(HttpRequest, SecondPerformHoldsOnlyItsOwnBodyAndKeepsCookies) {
    const std::string first = "/update/win/kelto/VLMU.ini";
    const std::string second = "/update/win/kelto/VLMU_TEST.ini";
    TestServer::Control("config?path=" + UrlEncode(first) + "&redirect=1", "first body");
    std::string big(5000, 'x');  // grows past the initial 1024 bytes
    TestServer::Control("config?path=" + UrlEncode(second) + "&bom=1&crlf=1", big + "\n");
    CurlEasy::BasicRequest request;
    EXPECT_EQ("first body", request.perform(TestServer::Url(first)).body);
    CurlEasy::Response again = request.perform(TestServer::Url(second));
    EXPECT_EQ("\xef\xbb\xbf" + big + "\r\n", again.body);
    // The cookie engine of the handle stays on: the cookie set by the redirect goes along.
    std::vector<ServerRequest> seen = TestServer::RequestsFor("GET", second);
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::string::npos, seen[0].cookie.find("vlmsession=k7Q2"));
}

TEST_F(HttpRequest, ReleaseHostNamesReachTheServerThroughTheProxyVariable) {
    const std::string proxy = TestServer::BaseUrl();
    SetEnvironmentVariableA("http_proxy", proxy.c_str());
    _putenv(("http_proxy=" + proxy).c_str());
    CurlEasy::BasicRequest request;
    CurlEasy::Response response =
        request.perform("http://update.velmora.example/update/win/kelto/VLMU.ini");
    _putenv("http_proxy=");
    SetEnvironmentVariableA("http_proxy", nullptr);
    EXPECT_EQ(200, response.code);
    EXPECT_NE(std::string::npos, response.body.find("[full]"));
    std::vector<ServerRequest> seen = TestServer::RequestsFor("GET", "/update/win/kelto/VLMU.ini");
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("update.velmora.example", seen[0].host);
}

TEST_F(HttpRequest, BodyUpToTheBoundIsKeptALongerOneIsDroppedWithAnErrorLine) {
    const std::string path = "/update/win/kelto/VLMU.ini";
    const std::string start = "[full]\n";
    const size_t bound = CurlEasy::Request::kMaxBodyBytes;
    LogCapture log;
    CurlEasy::BasicRequest request;
    TestServer::Control(
        "config?path=" + UrlEncode(path) + "&pad=" + std::to_string(bound - start.size()), start);
    CurlEasy::Response exact = request.perform(TestServer::Url(path));
    EXPECT_EQ(bound, exact.body.size());
    EXPECT_EQ(0, log.countStartingWith("checkResult", "E/"));

    // One byte more, then far more: the same object answers both with an empty body.
    for (size_t pad : {bound - start.size() + 1, size_t{50} << 20}) {
        TestServer::Control("config?path=" + UrlEncode(path) + "&pad=" + std::to_string(pad),
                            start);
        CurlEasy::Response response = request.perform(TestServer::Url(path));
        EXPECT_EQ(200, response.code);
        EXPECT_EQ("", response.body);
    }
    EXPECT_EQ(2, log.countExact("response body longer than 65536 bytes, dropped", "E/"))
        << log.dump();
    EXPECT_EQ(2, log.countExact("checkResult code=23", "E/"));
}
