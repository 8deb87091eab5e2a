#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "download/md5.h"
#include "download/tiny_download.h"
#include "report/interval_clock.h"
#include "report/percent_encode.h"
#include "report/report_hosts.h"
#include "report/report_queue.h"
#include "report/speed_report.h"
#include "report/step_report.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_server.h"

namespace {

using Query = std::vector<std::pair<std::string, std::string>>;

Query ParseQuery(const std::string& query) {
    Query fields;
    size_t start = 0;
    while (start <= query.size()) {
        size_t amp = query.find('&', start);
        if (amp == std::string::npos) {
            amp = query.size();
        }
        const std::string field = query.substr(start, amp - start);
        const size_t eq = field.find('=');
        fields.emplace_back(field.substr(0, eq),
                            eq == std::string::npos ? "" : field.substr(eq + 1));
        start = amp + 1;
    }
    return fields;
}

std::string Value(const Query& q, const std::string& key) {
    for (const auto& field : q) {
        if (field.first == key) {
            return field.second;
        }
    }
    return "<missing>";
}

std::string HostOf(const std::string& url) {
    const size_t start = url.find("//") + 2;
    return url.substr(start, url.find('/', start) - start);
}

void SetProxy(const std::string& proxy) {
    SetEnvironmentVariableA("http_proxy", proxy.c_str());
    _putenv(("http_proxy=" + proxy).c_str());
}

// Every request goes to the loopback test server through libcurl's http_proxy, with the
// release host names kept in the addresses.
class ReportServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
        TestServer::Reset();
        SetProxy(TestServer::BaseUrl());
    }

    // Reports go out on their own thread: wait until those raised so far are through.
    static void Delivered() { ASSERT_TRUE(WaitForQueuedReports(60000)); }

    static std::vector<ServerRequest> Operate() {
        return TestServer::RequestsFor("GET", "/qzadmin/operate.php");
    }
    static std::vector<ServerRequest> DownSpeed() {
        return TestServer::RequestsFor("GET", "/qzadmin/down_speed.php");
    }
};

}  // namespace

// Runs first: no download has started in this process, so the interval clock is not running.
TEST_F(ReportServer, UnknownStepBeforeAnyDownloadSendsEmptyStepAndInterval) {
    ReportStepWithInterval(9);
    Delivered();
    std::vector<ServerRequest> seen = Operate();
    ASSERT_EQ(1u, seen.size());
    EXPECT_NE(std::string::npos, seen[0].query.find("&step=&interval=&channel=000000238&time="))
        << seen[0].query;

    EXPECT_EQ("", GetIntervalText(0));
    ReportStepWithInterval(kStepSetupDownloaded);
    Delivered();
    seen = Operate();
    ASSERT_EQ(2u, seen.size());
    const Query q = ParseQuery(seen[1].query);
    EXPECT_EQ("SetupDownloaded", Value(q, "step"));
    EXPECT_EQ(0u, Value(q, "interval").rfind("0:", 0)) << Value(q, "interval");
}

TEST_F(ReportServer, StepZeroCarriesTheWholeProfile) {
    ReportStepNow(kStepDownloaderStart);
    Delivered();
    std::vector<ServerRequest> seen = Operate();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(HostOf(OperateEndpointFor(GetUserDefaultLangID())), seen[0].host);
    const Query q = ParseQuery(seen[0].query);
    const char* keys[] = {"sys",    "type", "sysver",    "name",     "version", "cpudes", "cpu",
                          "memory", "gpu",  "gpudriver", "vt",       "sign",    "rand",   "mac",
                          "hdsn",   "guid", "step",      "interval", "channel", "time"};
    ASSERT_EQ(20u, q.size()) << seen[0].query;
    for (size_t i = 0; i < q.size(); ++i) {
        EXPECT_EQ(keys[i], q[i].first);
    }
    EXPECT_EQ(PercentEncodeUrl(GetOsName()), Value(q, "sys"));
    EXPECT_EQ("0", Value(q, "type"));
    EXPECT_EQ(GetOsVersionText(), Value(q, "sysver"));
    EXPECT_EQ("Installer", Value(q, "name"));
    EXPECT_EQ("InstallerVersion", Value(q, "version"));
    // Whatever processor this machine has, its name arrives percent-encoded.
    EXPECT_EQ(PercentEncodeUrl(GetProcessorNameAnsi()), Value(q, "cpudes"));
    EXPECT_EQ("-1", Value(q, "vt"));
    const std::string rand = Value(q, "rand");
    const std::string signed_text = rand + "Rb7wqLm2xKde";
    EXPECT_EQ(GetStringMD5(signed_text.data(), signed_text.size()), Value(q, "sign"));
    EXPECT_EQ(17u, Value(q, "mac").size()) << Value(q, "mac");
    EXPECT_EQ(36u, Value(q, "guid").size());
    EXPECT_EQ("DownloaderStart", Value(q, "step"));
    EXPECT_EQ("0", Value(q, "interval"));
    EXPECT_EQ("000000238", Value(q, "channel"));
    EXPECT_EQ(19u, Value(q, "time").size());
}

TEST_F(ReportServer, SpeedReportAfterSamplesWereShown) {
    LogCapture log;
    SpeedSampleCount = 11;
    SendSpeedReport(104857600.0);
    Delivered();
    std::vector<ServerRequest> seen = DownSpeed();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(HostOf(DownSpeedEndpointFor(GetUserDefaultLangID())), seen[0].host);
    const Query q = ParseQuery(seen[0].query);
    ASSERT_EQ(6u, q.size()) << seen[0].query;
    const char* keys[] = {"sign", "type", "rand", "channel", "mac", "speed"};
    for (size_t i = 0; i < q.size(); ++i) {
        EXPECT_EQ(keys[i], q[i].first);
    }
    const std::string signed_text = Value(q, "rand") + "Rb7wqLm2xKde";
    EXPECT_EQ(GetStringMD5(signed_text.data(), signed_text.size()), Value(q, "sign"));
    EXPECT_EQ("win", Value(q, "type"));
    EXPECT_EQ("000000238", Value(q, "channel"));
    EXPECT_EQ("9309", Value(q, "speed"));
    EXPECT_EQ(
        1, log.countExact(DownSpeedEndpointFor(GetUserDefaultLangID()) + "?" + seen[0].query, "T/"))
        << log.dump();
    EXPECT_EQ(1, log.countExact("Time:11", "T/"));
    EXPECT_EQ(1, log.countExact("Speed:9309", "T/"));
    EXPECT_EQ(3, log.countContaining("", "T/") - log.countStartingWith("reponse code"));
    SpeedSampleCount = 1;
}

TEST_F(ReportServer, NoSpeedReportWhenNoSampleWasShown) {
    LogCapture log;
    SpeedSampleCount = 1;
    SendSpeedReport(104857600.0);
    Delivered();
    EXPECT_TRUE(DownSpeed().empty());
    EXPECT_EQ(0, log.countStartingWith("Time:"));
    EXPECT_EQ(0, log.countStartingWith("Speed:"));
}

TEST_F(ReportServer, UnreachableServerIsOnlyLogged) {
    // Nothing listens on port 9 of the loopback interface.
    SetProxy("http://127.0.0.1:9");
    LogCapture log;
    ReportStepNow(kStepCancelSetup);
    SpeedSampleCount = 3;
    SendSpeedReport(3000.0);
    Delivered();
    SpeedSampleCount = 1;
    EXPECT_EQ(2, log.countStartingWith("checkResult", "E/")) << log.dump();
    SetProxy(TestServer::BaseUrl());
}

// A reporting host that takes the request and never answers holds up neither the thread that
// raises the reports nor their order; each carries the interval of the moment it was raised.
TEST_F(ReportServer, SilentHostHoldsUpNoCallerAndReportsKeepTheirOrderAndMoment) {
    TestServer::Control("reports?silent=1");
    const DWORD start = GetTickCount();
    ReportStepNow(kStepDownloaderStart);
    GetIntervalText(0);
    ReportStepWithInterval(kStepPercent2);
    SpeedSampleCount = 3;
    SendSpeedReport(3072.0 * 3);
    SpeedSampleCount = 1;  // a new attempt: the queued report keeps its own count
    ReportStepWithInterval(kStepSetupDownloaded);
    // Each would wait for the host's 30 s time-out on the caller's thread.
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_FALSE(WaitForQueuedReports(2500));
    TestServer::Control("reports?silent=0");  // the held request ends unanswered
    Delivered();

    // Raised within a second of the clock's restart; sent more than two seconds after it.
    auto moment = [](const std::string& interval) {
        return interval == "0:0:0" || interval == "0:0:1" ? std::string("raised") : interval;
    };
    std::vector<std::string> order;
    for (const ServerRequest& r : TestServer::Requests()) {
        const Query q = ParseQuery(r.query);
        order.push_back(r.path == "/qzadmin/operate.php"
                            ? Value(q, "step") + "@" + moment(Value(q, "interval"))
                            : r.path + " speed=" + Value(q, "speed"));
    }
    const std::vector<std::string> expected = {"DownloaderStart@0", "Percent2@raised",
                                               "/qzadmin/down_speed.php speed=3",
                                               "SetupDownloaded@raised"};
    EXPECT_EQ(expected, order);
}

// The reporting host follows the user's language: the run under a Chinese (PRC) locale
// expects 2052, the others 1033.
TEST(ReportHosts, EndpointFollowsTheUserLanguage) {
    const char* expected = std::getenv("VELMORA_EXPECT_LANGID");
    const LANGID language = GetUserDefaultLangID();
    if (expected) {
        EXPECT_EQ(std::atoi(expected), static_cast<int>(language));
    }
    const std::string cn = OperateEndpointFor(kChineseLanguageId);
    const std::string other = OperateEndpointFor(1033);
    EXPECT_NE(HostOf(cn), HostOf(other));
    EXPECT_EQ("/qzadmin/operate.php", cn.substr(cn.find('/', 7)));
    EXPECT_EQ("/qzadmin/down_speed.php",
              DownSpeedEndpointFor(1033).substr(DownSpeedEndpointFor(1033).find('/', 7)));
    EXPECT_EQ(HostOf(cn), HostOf(DownSpeedEndpointFor(kChineseLanguageId)));
    EXPECT_EQ(HostOf(other), HostOf(DownSpeedEndpointFor(1041)));
}

namespace {
// A machine without Direct3D 9 and whose WMI cannot be reached: its own Wine prefix, started
// without a display, with Wine's WMI provider disabled.
class WithoutWmi : public ReportServer {
protected:
    void SetUp() override {
        if (!std::getenv("VELMORA_DISABLE_WMI")) {
            GTEST_SKIP() << "runs on its own prefix (report_tests_nowmi)";
        }
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, &key, nullptr));
        const wchar_t disabled[] = L"";
        RegSetValueExW(key, L"wbemprox", 0, REG_SZ, reinterpret_cast<const BYTE*>(disabled),
                       sizeof disabled);
        RegCloseKey(key);
        ReportServer::SetUp();
    }
};
}  // namespace

TEST_F(WithoutWmi, ReportsCarryTheMacFallbackAndEmptyGraphics) {
    ReportStepNow(kStepDownloaderStart);
    SpeedSampleCount = 2;
    SendSpeedReport(4096.0);
    Delivered();
    SpeedSampleCount = 1;
    std::vector<ServerRequest> steps = Operate();
    std::vector<ServerRequest> speeds = DownSpeed();
    ASSERT_EQ(1u, steps.size());
    ASSERT_EQ(1u, speeds.size());
    const Query step = ParseQuery(steps[0].query);
    EXPECT_EQ("ERRORGETMAC", Value(step, "mac"));
    EXPECT_NE(std::string::npos, steps[0].query.find("&gpu=&gpudriver=&vt=-1")) << steps[0].query;
    EXPECT_EQ("ERRORGETMAC", Value(ParseQuery(speeds[0].query), "mac"));
    EXPECT_EQ("2", Value(ParseQuery(speeds[0].query), "speed"));
}
