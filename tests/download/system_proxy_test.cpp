// The Windows proxy settings of this test's own prefix, read through WinHTTP and the registry,
// carrying real requests to the loopback server (which also acts as a proxy).
#include "download/system_proxy.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <thread>
#include <vector>

#include "tests/support/log_capture.h"
#include "tests/support/proxy_registry.h"
#include "tests/support/test_server.h"

namespace {
const char kConfig[] = "/update/win/kelto/VLMU.ini";

struct CurlCleanup {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};

struct Fetched {
    CURLcode code = CURLE_FAILED_INIT;
    long status = 0;
};

Fetched Fetch(SystemProxy& proxy, const std::string& url) {
    Fetched fetched;
    std::unique_ptr<CURL, CurlCleanup> handle(curl_easy_init());
    curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
    proxy.Apply(handle.get(), url.c_str());
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, 60L);
    fetched.code = curl_easy_perform(handle.get());
    curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &fetched.status);
    return fetched;
}

// A loopback socket that accepts connections (backlog) and never answers; closed on exit.
class SilentListener {
public:
    SilentListener() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(socket_, 8);
        int length = sizeof addr;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&addr), &length);
        port_ = ntohs(addr.sin_port);
    }
    ~SilentListener() { closesocket(socket_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }

private:
    SOCKET socket_;
    int port_ = 0;
};

// A loopback port with nothing listening.
int ClosedPort() {
    int port;
    {
        SilentListener listener;
        port = listener.port();
    }
    return port;
}

class SystemProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
        TestServer::Reset();
        ClearProxyRegistry();
        closed_ = std::to_string(ClosedPort());
    }
    void TearDown() override { ClearProxyRegistry(); }

    // "127.0.0.1:<port>" of the test server.
    static std::string ServerAddress() { return TestServer::BaseUrl().substr(7); }
    static std::string ServerPort() {
        return ServerAddress().substr(ServerAddress().find(':') + 1);
    }
    // An address only a proxy can answer for: nothing listens there.
    std::string Unreachable() const { return "http://127.0.0.1:" + closed_ + kConfig; }

    static ProxyRegistry Fixed(const std::string& proxy, const std::string& bypass = "") {
        ProxyRegistry settings;
        settings.proxy = proxy;
        settings.bypass = bypass;
        return settings;
    }

    std::string closed_;
    LogCapture log_;
};
}  // namespace

TEST_F(SystemProxyTest, FixedProxyCarriesRequestsAndItsBypassListGoesDirect) {
    WriteProxyRegistry(Fixed(ServerAddress(), "*.direct.example;<local>"));
    SystemProxy proxy;
    EXPECT_EQ(200, Fetch(proxy, Unreachable()).status);
    // "localhost" has no dot: <local> sends it straight to the server.
    EXPECT_EQ(200, Fetch(proxy, "http://localhost:" + ServerPort() + kConfig).status);
    std::vector<ServerRequest> seen = TestServer::RequestsFor("HEAD", kConfig);
    ASSERT_EQ(2u, seen.size());
    EXPECT_TRUE(seen[0].proxied);
    EXPECT_EQ("127.0.0.1:" + closed_, seen[0].host);
    EXPECT_FALSE(seen[1].proxied);
    EXPECT_EQ("localhost:" + ServerPort(), seen[1].host);

    EXPECT_EQ("", proxy.ProxyFor("http://x.direct.example/a"));
    EXPECT_EQ("http://" + ServerAddress(), proxy.ProxyFor("http://update.velmora.example/b"));
    EXPECT_EQ(1, log_.countExact("Windows proxy settings: auto-detect=0, script=, proxy=" +
                                     ServerAddress() + ", bypass=*.direct.example;<local>",
                                 "I/"))
        << log_.dump();
}

TEST_F(SystemProxyTest, EitherPlaceOfTheSettingsAloneIsEnoughAndTurningItOffGoesDirect) {
    for (bool values : {true, false}) {
        SCOPED_TRACE(values ? "Internet Settings values only" : "connection settings only");
        ProxyRegistry settings = Fixed(ServerAddress());
        settings.writeValues = values;
        settings.writeConnection = !values;
        WriteProxyRegistry(settings);
        SystemProxy proxy;
        EXPECT_EQ("http://" + ServerAddress(), proxy.ProxyFor("http://update.velmora.example/"));
    }
    ProxyRegistry off = Fixed(ServerAddress());
    off.proxyEnabled = false;
    WriteProxyRegistry(off);
    SystemProxy proxy;
    EXPECT_EQ("", proxy.ProxyFor("http://update.velmora.example/"));
}

TEST_F(SystemProxyTest, UnusableSettingFallsBackToADirectConnectionWithAWarning) {
    WriteProxyRegistry(Fixed("http=::;[::1"));
    SystemProxy proxy;
    EXPECT_EQ(200, Fetch(proxy, TestServer::Url(kConfig)).status);
    EXPECT_EQ(200, Fetch(proxy, TestServer::Url(kConfig)).status);
    std::vector<ServerRequest> seen = TestServer::RequestsFor("HEAD", kConfig);
    ASSERT_EQ(2u, seen.size());
    EXPECT_FALSE(seen[0].proxied);
    // Once per address, not per request.
    EXPECT_EQ(
        1,
        log_.countExact(
            "proxy setting \"http=::;[::1\" is not usable, connecting directly to 127.0.0.1", "W/"))
        << log_.dump();
}

// A proxy that is set but refuses connections is the network as the user configured it:
// going around it would defeat a proxy that is there to be the only way out, so the request
// fails like any other and the caller's retries apply.
TEST_F(SystemProxyTest, AProxyThatRefusesConnectionsFailsTheRequestLikeAnyNetworkFault) {
    WriteProxyRegistry(Fixed("127.0.0.1:" + closed_));
    SystemProxy proxy;
    EXPECT_EQ(CURLE_COULDNT_CONNECT, Fetch(proxy, TestServer::Url(kConfig)).code);
    EXPECT_TRUE(TestServer::RequestsFor("HEAD", kConfig).empty());
}

TEST_F(SystemProxyTest, ProxyVariablesOfTheEnvironmentTakePrecedence) {
    WriteProxyRegistry(Fixed("127.0.0.1:" + closed_));  // would refuse
    SetEnvironmentVariableA("http_proxy", TestServer::BaseUrl().c_str());
    SystemProxy proxy;
    EXPECT_EQ(200, Fetch(proxy, Unreachable()).status);
    SetEnvironmentVariableA("http_proxy", nullptr);
    ASSERT_EQ(1u, TestServer::RequestsFor("HEAD", kConfig).size());
    EXPECT_TRUE(TestServer::RequestsFor("HEAD", kConfig)[0].proxied);

    struct Case {
        const char* name;
        const char* value;
        bool forHttp;
        bool forHttps;
    };
    for (const Case& c :
         {Case{"http_proxy", "p:1", true, false},
          Case{"HTTP_PROXY", "p:1", true, false},  // names match in any case
          Case{"http_proxy", "", false, false},    // empty is unset
          Case{"https_proxy", "p:1", false, true}, Case{"HTTPS_PROXY", "p:1", false, true},
          Case{"all_proxy", "p:1", true, true}, Case{"ALL_PROXY", "p:1", true, true},
          Case{"no_proxy", "*", false, false}}) {
        SCOPED_TRACE(c.name);
        SetEnvironmentVariableA(c.name, c.value);
        EXPECT_EQ(c.forHttp, EnvironmentNamesProxy("http://update.velmora.example/"));
        EXPECT_EQ(c.forHttps, EnvironmentNamesProxy("https://update.velmora.example/"));
        SetEnvironmentVariableA(c.name, nullptr);
    }
}

TEST_F(SystemProxyTest, ConfigurationScriptChoosesPerAddressAheadOfTheFixedProxy) {
    const std::string script =
        "function FindProxyForURL(url, host) {\n"
        "  if (host == \"127.0.0.1\") return \"PROXY " +
        ServerAddress() +
        "\";\n"
        "  return \"DIRECT\";\n"
        "}\n";
    TestServer::Control("config?path=" + UrlEncode("/proxy.pac"), script);
    ProxyRegistry settings = Fixed("127.0.0.1:" + closed_);  // would refuse
    settings.script = TestServer::Url("/proxy.pac");
    WriteProxyRegistry(settings);
    SystemProxy proxy;
    EXPECT_EQ(200, Fetch(proxy, Unreachable()).status) << log_.dump();
    EXPECT_EQ("", proxy.ProxyFor("http://localhost:" + ServerPort() + "/"));
    EXPECT_FALSE(TestServer::RequestsFor("GET", "/proxy.pac").empty());
    EXPECT_TRUE(TestServer::RequestsFor("HEAD", kConfig).at(0).proxied);
}

TEST_F(SystemProxyTest, AScriptThatNeverAnswersIsGivenUpOnceAndTheFixedProxyServesEveryThread) {
    SilentListener silent;
    ProxyRegistry settings = Fixed(ServerAddress());
    settings.script = "http://127.0.0.1:" + std::to_string(silent.port()) + "/proxy.pac";
    WriteProxyRegistry(settings);
    SystemProxy proxy(500);
    const DWORD start = GetTickCount();
    std::vector<std::string> answers(6);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < answers.size(); ++i) {
        threads.emplace_back([&, i] {
            answers[i] = proxy.ProxyFor("http://host" + std::to_string(i % 3) + ".example/");
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_LT(GetTickCount() - start, 20000u);  // a hang guard, not a speed check
    for (const std::string& answer : answers) {
        EXPECT_EQ("http://" + ServerAddress(), answer);
    }
    EXPECT_EQ(1, log_.countExact("automatic proxy lookup gave no answer within 500 ms; the fixed "
                                 "settings serve the rest of this run",
                                 "W/"))
        << log_.dump();
}

TEST_F(SystemProxyTest, AutomaticDetectionThatFindsNothingLeavesTheFixedProxy) {
    ProxyRegistry settings = Fixed(ServerAddress());
    settings.autoDetect = true;
    WriteProxyRegistry(settings);
    SystemProxy proxy;
    EXPECT_EQ(200, Fetch(proxy, Unreachable()).status);
    EXPECT_EQ(1, log_.countStartingWith("automatic proxy lookup failed, error=", "I/"))
        << log_.dump();
}
