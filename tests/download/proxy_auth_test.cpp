// Answers to a proxy's 407 against real squid proxies (started by proxy_auth_run.py): Basic
// through basic_ncsa_auth, NTLM through squid's fake helper. Each test meets a proxy port of
// its own, so the credentials saved for one (in this prefix's Credential Manager) are no other's.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincred.h>
#include <wincrypt.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "app/text_convert.h"
#include "download/proxy_auth.h"
#include "download/scoped_curl.h"
#include "tests/download/downloader_fixture.h"

namespace {
std::vector<std::string> Split(const char* text) {
    std::vector<std::string> parts;
    std::stringstream in(text ? text : "");
    std::string part;
    while (std::getline(in, part, ',')) {
        parts.push_back(part);
    }
    return parts;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A Basic proxy port no other test uses.
std::string BasicProxy(size_t index) {
    const std::vector<std::string> ports = Split(std::getenv("VELMORA_SQUID_BASIC"));
    return index < ports.size() ? ports[index] : std::string();
}

std::string NtlmProxy(size_t index) {
    const std::vector<std::string> ports = Split(std::getenv("VELMORA_SQUID_NTLM"));
    return index < ports.size() ? ports[index] : std::string();
}

std::wstring User() {
    return AnsiToWide(Env("VELMORA_SQUID_USER"));
}

std::wstring Password() {
    return AnsiToWide(Env("VELMORA_SQUID_PASSWORD"));
}

ProxyCredentials Credentials(const std::wstring& password, bool remember = false) {
    ProxyCredentials credentials;
    credentials.user = User();
    credentials.password = password;
    credentials.remember = remember;
    return credentials;
}

// The throw-away test root (make_test_certificates.sh) in this prefix's Root store, as an
// administrator would add it: the https host's certificate is checked.
void TrustTestRoot() {
    const char* dir = std::getenv("VELMORA_TLS_CERT_DIR");
    std::ifstream in(std::string(dir ? dir : ".") + "\\ca.der", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string root = bytes.str();
    ASSERT_FALSE(root.empty()) << "VELMORA_TLS_CERT_DIR";
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    ASSERT_NE(nullptr, store);
    EXPECT_TRUE(CertAddEncodedCertificateToStore(
        store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root.data()),
        static_cast<DWORD>(root.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(store, 0);
}

// Saved credentials of the proxy, as a later run finds them.
bool ReadSaved(const std::string& proxy, ProxyCredentials* out) {
    return WindowsProxyCredentialStore().read(ProxyHostPort(proxy), out);
}

void ForgetSaved(const std::string& proxy) {
    const std::wstring target = L"Velmora proxy " + AnsiToWide(ProxyHostPort(proxy));
    CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0);
}

struct Fetched {
    long status = 0;
    ProxyAuthNext next = ProxyAuthNext::Done;
    int performs = 0;
};

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// One request through proxy as the installer makes them: set up, performed, and performed once
// more while the answer to the 407 changes.
Fetched Get(ProxyAuth& auth, const std::string& proxy, const std::string& url) {
    Fetched fetched;
    ScopedCurl handle(curl_easy_init());
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 30L);
    for (int round = 0; round < 3; ++round) {
        auth.Apply(h, proxy);
        curl_easy_perform(h);
        ++fetched.performs;
        fetched.next = auth.After(h, proxy);
        if (fetched.next != ProxyAuthNext::Again) {
            break;
        }
    }
    long tunnel = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &fetched.status);
    curl_easy_getinfo(h, CURLINFO_HTTP_CONNECTCODE, &tunnel);
    if (tunnel == 407) {
        fetched.status = 407;
    }
    return fetched;
}

// A prompt that answers as told and counts how often it was asked.
struct ScriptedPrompt {
    std::atomic<int> asked{0};
    bool answer = true;
    ProxyCredentials typed;
    ProxyChallenge last;
    DWORD thinkMs = 0;

    ProxyAuth::Prompt Function() {
        return [this](const ProxyChallenge& challenge, ProxyCredentials* out) {
            ++asked;
            last = challenge;
            Sleep(thinkMs);
            *out = typed;
            return answer;
        };
    }
};

class ProxyAuthTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
        ASSERT_FALSE(BasicProxy(0).empty()) << "no squid (run through proxy_auth_run.py)";
        TestServer::Reset();
        TestServer::Control("config?path=/cfg.ini", "[full]\n", true);
        url_ = "http://dl.velmora.example/cfg.ini";
    }

    std::string url_;
    LogCapture log_;
};
}  // namespace

TEST_F(ProxyAuthTest, SilentRunRefusedWhenOnlyBasicIsOfferedNamingProxyAndSchemes) {
    const std::string proxy = BasicProxy(0);
    ForgetSaved(proxy);
    ProxyAuth auth(WindowsProxyCredentialStore());  // no prompt: a silent run
    const Fetched fetched = Get(auth, proxy, url_);
    EXPECT_EQ(407, fetched.status);
    EXPECT_EQ(ProxyAuthNext::Refused, fetched.next);
    EXPECT_EQ(1, fetched.performs);
    ASSERT_TRUE(auth.Refused());
    const std::string key = ProxyHostPort(proxy);
    EXPECT_NE(std::string::npos, auth.RefusedText().find(key)) << auth.RefusedText();
    EXPECT_NE(std::string::npos, auth.RefusedText().find("Basic")) << auth.RefusedText();
    EXPECT_EQ(1, log_.countContaining("proxy " + key + " refuses the request", "E/"))
        << log_.dump();
    EXPECT_TRUE(TestServer::RequestsFor("GET", "/cfg.ini").empty());
}

TEST_F(ProxyAuthTest, SavedCredentialsAnswerWithoutAskingAndStayInUse) {
    const std::string proxy = BasicProxy(1);
    WindowsProxyCredentialStore().write(ProxyHostPort(proxy), Credentials(Password()));
    ProxyAuth auth(WindowsProxyCredentialStore());
    ScriptedPrompt prompt;
    auth.SetPrompt(prompt.Function());

    const Fetched first = Get(auth, proxy, url_);
    EXPECT_EQ(200, first.status) << log_.dump();
    EXPECT_EQ(2, first.performs);  // the logon could not answer Basic
    const Fetched second = Get(auth, proxy, url_);
    EXPECT_EQ(200, second.status);
    EXPECT_EQ(1, second.performs);  // the saved ones from the start
    EXPECT_EQ(0, prompt.asked.load());
    EXPECT_FALSE(auth.Refused());
    EXPECT_EQ(2u, TestServer::RequestsFor("GET", "/cfg.ini").size());
    ForgetSaved(proxy);
}

TEST_F(ProxyAuthTest, TypedCredentialsAreAskedOnceAndRememberedOnlyAfterTheProxyTookThem) {
    const std::string remembered = BasicProxy(2);
    const std::string forgotten = BasicProxy(3);
    ForgetSaved(remembered);
    ForgetSaved(forgotten);
    {
        ProxyAuth auth(WindowsProxyCredentialStore());
        ScriptedPrompt prompt;
        prompt.typed = Credentials(Password(), true);
        auth.SetPrompt(prompt.Function());
        EXPECT_EQ(200, Get(auth, remembered, url_).status) << log_.dump();
        EXPECT_EQ(200, Get(auth, remembered, url_).status);
        EXPECT_EQ(1, prompt.asked.load());
        EXPECT_EQ(ProxyHostPort(remembered), prompt.last.proxy);
        EXPECT_EQ("Basic", prompt.last.schemes);
        EXPECT_TRUE(prompt.last.user.empty());
    }
    ProxyCredentials saved;
    ASSERT_TRUE(ReadSaved(remembered, &saved));
    EXPECT_EQ(User(), saved.user);
    EXPECT_EQ(Password(), saved.password);

    {
        ProxyAuth auth(WindowsProxyCredentialStore());
        ScriptedPrompt prompt;
        prompt.typed = Credentials(Password(), false);
        auth.SetPrompt(prompt.Function());
        EXPECT_EQ(200, Get(auth, forgotten, url_).status);
    }
    EXPECT_FALSE(ReadSaved(forgotten, &saved));
    ForgetSaved(remembered);
}

TEST_F(ProxyAuthTest, WrongOrCancelledCredentialsFailTheRequestAndAreNeitherSavedNorAskedAgain) {
    const std::string wrong = BasicProxy(4);
    const std::string cancelled = BasicProxy(5);
    ForgetSaved(wrong);
    ForgetSaved(cancelled);
    {
        ProxyAuth auth(WindowsProxyCredentialStore());
        ScriptedPrompt prompt;
        prompt.typed = Credentials(L"not-the-password", true);
        auth.SetPrompt(prompt.Function());
        const Fetched first = Get(auth, wrong, url_);
        EXPECT_EQ(407, first.status);
        EXPECT_EQ(ProxyAuthNext::Refused, first.next);
        EXPECT_EQ(407, Get(auth, wrong, url_).status);
        EXPECT_EQ(1, prompt.asked.load());
    }
    ProxyCredentials saved;
    EXPECT_FALSE(ReadSaved(wrong, &saved));
    {
        ProxyAuth auth(WindowsProxyCredentialStore());
        ScriptedPrompt prompt;
        prompt.answer = false;
        auth.SetPrompt(prompt.Function());
        EXPECT_EQ(ProxyAuthNext::Refused, Get(auth, cancelled, url_).next);
        EXPECT_EQ(ProxyAuthNext::Refused, Get(auth, cancelled, url_).next);
        EXPECT_EQ(1, prompt.asked.load());
    }
    EXPECT_TRUE(TestServer::RequestsFor("GET", "/cfg.ini").empty());
}

TEST_F(ProxyAuthTest, RefusedSavedCredentialsAreAskedForAgainWithTheirNameAndReplaced) {
    const std::string proxy = BasicProxy(6);
    WindowsProxyCredentialStore().write(ProxyHostPort(proxy), Credentials(L"an-old-password"));
    ProxyAuth auth(WindowsProxyCredentialStore());
    ScriptedPrompt prompt;
    prompt.typed = Credentials(Password(), true);
    auth.SetPrompt(prompt.Function());
    const Fetched fetched = Get(auth, proxy, url_);
    EXPECT_EQ(200, fetched.status) << log_.dump();
    EXPECT_EQ(3, fetched.performs);  // logon, saved, typed
    EXPECT_EQ(1, prompt.asked.load());
    EXPECT_EQ(User(), prompt.last.user);
    ProxyCredentials saved;
    ASSERT_TRUE(ReadSaved(proxy, &saved));
    EXPECT_EQ(Password(), saved.password);
    ForgetSaved(proxy);
}

TEST_F(ProxyAuthTest, RequestsRefusedTogetherAskOnceAndAllGoThrough) {
    const std::string proxy = BasicProxy(7);
    ForgetSaved(proxy);
    ProxyAuth auth(WindowsProxyCredentialStore());
    ScriptedPrompt prompt;
    prompt.typed = Credentials(Password());
    prompt.thinkMs = 500;  // the others meet the 407 while the user types
    auth.SetPrompt(prompt.Function());
    std::vector<long> statuses(4, 0);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < statuses.size(); ++i) {
        threads.emplace_back([&, i] { statuses[i] = Get(auth, proxy, url_).status; });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (long status : statuses) {
        EXPECT_EQ(200, status) << log_.dump();
    }
    EXPECT_EQ(1, prompt.asked.load());
}

TEST_F(ProxyAuthTest, NtlmAnswersWithTypedCredentials) {
    const std::string proxy = NtlmProxy(0);
    ForgetSaved(proxy);
    ProxyAuth auth(WindowsProxyCredentialStore());
    ScriptedPrompt prompt;
    prompt.typed = Credentials(Password());
    auth.SetPrompt(prompt.Function());
    const Fetched fetched = Get(auth, proxy, url_);
    EXPECT_EQ(200, fetched.status) << log_.dump();
    EXPECT_EQ(ProxyAuthNext::Done, fetched.next);
    // The logon was offered first. Wine's NTLM has no logon to give (Samba's ntlm_auth would
    // need a running winbind with cached credentials), so the typed ones answered.
    EXPECT_EQ(1, log_.countContaining("offering NTLM; the Windows logon did not do"))
        << log_.dump();
    EXPECT_EQ(1, prompt.asked.load());
}

TEST(ProxyHostPortTest, KeepsOnlyHostAndPortOfAProxyText) {
    EXPECT_EQ("proxy.corp:8080", ProxyHostPort("http://user:pw@Proxy.Corp:8080/"));
    EXPECT_EQ("10.0.0.1:1080", ProxyHostPort("10.0.0.1"));
    EXPECT_EQ("[::1]:3128", ProxyHostPort("http://[::1]:3128"));
    EXPECT_EQ("[::1]:1080", ProxyHostPort("[::1]"));
    EXPECT_EQ("", ProxyHostPort(""));
    EXPECT_EQ("Basic, NTLM", ProxySchemeNames(CURLAUTH_BASIC | CURLAUTH_NTLM));
    EXPECT_EQ("none", ProxySchemeNames(0));
}

// The installer's own requests (configuration, the package's probe and transfer) answer the
// proxy of the environment with what the process keeps: here the NTLM proxy, whose handshake
// passes 407s through the transfer's judgement of the answer's headers.
TEST_F(ProxyAuthTest, ConfigurationAndPackageGoThroughAnNtlmProxyWithSavedCredentials) {
    const std::string proxy = NtlmProxy(1);
    WindowsProxyCredentialStore().write(ProxyHostPort(proxy), Credentials(Password()));
    SetEnvironmentVariableA("http_proxy", proxy.c_str());

    CurlEasy::BasicRequest request;
    const CurlEasy::Response response = request.perform(url_);
    EXPECT_EQ(200, response.code) << log_.dump();
    EXPECT_EQ("[full]\n", response.body);

    const std::string md5 = TestServer::DefinePackage("/pkg/Setup.exe", 300000, 3);
    TempDir dir("proxy_auth_ntlm");
    {
        CTinyDownload downloader;
        downloader.SetTiming(FastTiming());
        downloader.AddDownloadWork(
            MakeWork("http://dl.velmora.example/pkg/Setup.exe", dir.path(), md5));
        ASSERT_EQ(0, downloader.StartDownloadThread());
        EXPECT_TRUE(WaitFor([&] { return downloader.IsFinished(); }, 60000)) << log_.dump();
    }
    EXPECT_EQ(md5, GetFileMD5(dir.file("Setup.exe").c_str()));
    EXPECT_EQ(1u, TestServer::RequestsFor("GET", "/pkg/Setup.exe").size());
    EXPECT_FALSE(ProxyAuth::Process().Refused());
    SetEnvironmentVariableA("http_proxy", nullptr);
    ForgetSaved(proxy);
}

// https through an authenticating proxy: the CONNECT meets the 407 (the proxy's answer, not the
// server's), and a download stopped part-way resumes in a new downloader, as after a restart,
// with a range request inside the tunnel.
TEST_F(ProxyAuthTest, HttpsThroughTheProxyResumesAfterARestartWithARangeRequest) {
    const std::string port = Env("VELMORA_HTTPS_PORT");
    ASSERT_FALSE(port.empty()) << "no https host (run through proxy_auth_run.py)";
    TestServer::Control("tunnel?host=update.velmora.example&port=" + port);
    TrustTestRoot();
    const std::string proxy = BasicProxy(8);
    WindowsProxyCredentialStore().write(ProxyHostPort(proxy), Credentials(Password()));
    SetEnvironmentVariableA("https_proxy", proxy.c_str());
    const std::string url = "https://update.velmora.example/pkg/big.bin";
    const std::string md5 = Env("VELMORA_HTTPS_MD5");
    TempDir dir("proxy_auth_https");
    {
        CTinyDownload downloader;
        downloader.SetTiming(FastTiming());
        downloader.AddDownloadWork(MakeWork(url, dir.path(), md5));
        ASSERT_EQ(0, downloader.StartDownloadThread());
        EXPECT_TRUE(WaitFor([&] { return downloader.BytesWritten() > 300000; }, 60000))
            << log_.dump();
        EXPECT_TRUE(downloader.Stop(10000));
        EXPECT_FALSE(downloader.IsFinished());
    }
    {
        CTinyDownload downloader;
        downloader.SetTiming(FastTiming());
        downloader.AddDownloadWork(MakeWork(url, dir.path(), md5));
        ASSERT_EQ(0, downloader.StartDownloadThread());
        EXPECT_TRUE(WaitFor([&] { return downloader.IsFinished(); }, 60000)) << log_.dump();
    }
    EXPECT_EQ(md5, GetFileMD5(dir.file("big.bin").c_str()));
    // nginx's log: the first GET whole, the second from where the first stopped.
    std::ifstream in(Env("VELMORA_HTTPS_LOG"));
    std::vector<std::string> gets;
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 4, "GET ") == 0) {
            gets.push_back(line);
        }
    }
    ASSERT_EQ(2u, gets.size()) << log_.dump();
    EXPECT_EQ("GET /pkg/big.bin \"-\" 200", gets[0]);
    EXPECT_EQ(0u, gets[1].find("GET /pkg/big.bin \"bytes=")) << gets[1];
    EXPECT_EQ(std::string::npos, gets[1].find("bytes=0-")) << gets[1];
    EXPECT_NE(std::string::npos, gets[1].find("\" 206")) << gets[1];
    SetEnvironmentVariableA("https_proxy", nullptr);
    ForgetSaved(proxy);
}
