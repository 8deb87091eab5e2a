// The installer's own requests follow the proxy of the user's Windows settings: the
// configuration and the reports (CurlEasy), the package's probe and transfer (CTinyDownload).
// The settings are read once per process: no other test of this executable makes requests
// through the process's own settings.
#include <gtest/gtest.h>

#include "tests/download/downloader_fixture.h"
#include "tests/support/proxy_registry.h"

namespace {
// A loopback port with nothing listening: only a proxy can answer for it.
std::string ClosedPortText() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int length = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &length);
    closesocket(s);
    return std::to_string(ntohs(addr.sin_port));
}
}  // namespace

TEST(SystemProxyWiring, ConfigurationRequestsAndPackageDownloadsGoThroughTheUsersProxy) {
    ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
    TestServer::Reset();
    ProxyRegistry settings;
    settings.proxy = TestServer::BaseUrl().substr(7);
    WriteProxyRegistry(settings);
    const std::string unreachable = "http://127.0.0.1:" + ClosedPortText();
    LogCapture log;

    CurlEasy::BasicRequest request;
    CurlEasy::Response response = request.perform(unreachable + "/update/win/kelto/VLMU.ini");
    EXPECT_EQ(200, response.code) << log.dump();
    EXPECT_NE(std::string::npos, response.body.find("[full]"));

    const std::string md5 = TestServer::DefinePackage("/pkg/Setup.exe", 200000, 5);
    TempDir dir("proxy_wiring");
    {
        CTinyDownload downloader;
        downloader.SetTiming(FastTiming());
        downloader.AddDownloadWork(MakeWork(unreachable + "/pkg/Setup.exe", dir.path(), md5));
        ASSERT_EQ(0, downloader.StartDownloadThread());
        EXPECT_TRUE(WaitFor([&] { return downloader.IsFinished(); }, 30000)) << log.dump();
    }
    EXPECT_EQ(md5, GetFileMD5(dir.file("Setup.exe").c_str()));
    std::vector<ServerRequest> seen = TestServer::Requests();
    ASSERT_EQ(3u, seen.size());
    for (const ServerRequest& r : seen) {
        EXPECT_TRUE(r.proxied) << r.method << " " << r.path;
    }
    EXPECT_EQ("HEAD", seen[1].method);
    EXPECT_EQ("GET", seen[2].method);
    ClearProxyRegistry();
}
