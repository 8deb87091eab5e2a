// The reports of a whole run, as the reporting hosts receive them, against the text a report
// has always had: every machine fact probed afresh for each report, in the query's order. And
// the facts that cannot change are probed once per run: a report after a change of the
// registry still carries the value of the first probe.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "download/md5.h"
#include "download/tiny_download.h"
#include "report/interval_clock.h"
#include "report/percent_encode.h"
#include "report/report_queue.h"
#include "report/speed_report.h"
#include "report/step_report.h"
#include "sysinfo/disk_identity.h"
#include "sysinfo/gpu_info.h"
#include "sysinfo/hardware_profile.h"
#include "sysinfo/mac_address.h"
#include "sysinfo/machine_guid.h"
#include "sysinfo/memory.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"
#include "tests/support/test_server.h"

namespace {

const char kProcessorKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

std::string Field(const std::string& query, const std::string& key) {
    const std::string marker = "&" + key + "=";
    const std::string padded = "&" + query;
    const size_t start = padded.find(marker);
    if (start == std::string::npos) {
        return "<missing>";
    }
    const size_t from = start + marker.size();
    return padded.substr(from, padded.find('&', from) - from);
}

std::string Sign(const std::string& rand) {
    const std::string text = rand + "Rb7wqLm2xKde";
    return GetStringMD5(text.data(), text.size());
}

// The query of a step report built as it always was: each probe afresh, values raw, then the
// whole address percent-encoded. Step, interval, number and time are the report's own.
std::string FreshStepQuery(const std::string& step, const std::string& interval,
                           const std::string& rand, const std::string& time) {
    GpuInfo gpu;
    QueryGpuInfo(gpu);
    ReadDiskIdentity(0);
    const std::string raw =
        "sys=" + GetOsName() + "&type=0&sysver=" + GetOsVersionText() +
        "&name=Installer&version=InstallerVersion&cpudes=" + GetProcessorNameAnsi() +
        "&cpu=" + GetProcessorCount() + "&memory=" + GetTotalMemoryMB() +
        "&gpu=" + gpu.description + "&gpudriver=" + gpu.driver + "&vt=-1&sign=" + Sign(rand) +
        "&rand=" + rand + "&mac=" + GetMacAddress() + "&hdsn=" + GetDiskIdentity().serial +
        "&guid=" + GetMachineGuid() + "&step=" + step + "&interval=" + interval +
        "&channel=000000238&time=" + time;
    return PercentEncodeUrl(raw);
}

std::string FreshSpeedQuery(const std::string& rand, int speed) {
    return "sign=" + Sign(rand) + "&type=win&rand=" + rand +
           "&channel=000000238&mac=" + GetMacAddress() + "&speed=" + std::to_string(speed);
}

// A run of its own (report_tests_run): the interval clock and the profile start untouched.
class WholeRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("VELMORA_WHOLE_RUN")) {
            GTEST_SKIP() << "runs in a process of its own (report_tests_run)";
        }
        ASSERT_FALSE(TestServer::BaseUrl().empty()) << "no test server";
        TestServer::Reset();
        SetEnvironmentVariableA("http_proxy", TestServer::BaseUrl().c_str());
        _putenv(("http_proxy=" + TestServer::BaseUrl()).c_str());
    }
    static void Delivered() { ASSERT_TRUE(WaitForQueuedReports(60000)); }
};

// Sets the processor name Windows keeps, and puts the old one back when it goes.
class ProcessorNameOverride {
public:
    explicit ProcessorNameOverride(const std::wstring& name) {
        ok_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProcessorKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            &key_) == ERROR_SUCCESS;
        if (!ok_) {
            return;
        }
        wchar_t old[512] = {};
        DWORD size = sizeof old - sizeof old[0];
        ok_ = RegQueryValueExW(key_, L"ProcessorNameString", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
        old_ = old;
        ok_ = ok_ && Set(name);
    }
    ~ProcessorNameOverride() {
        if (key_) {
            Set(old_);
            RegCloseKey(key_);
        }
    }
    bool ok() const { return ok_; }

private:
    bool Set(const std::wstring& name) {
        return RegSetValueExW(key_, L"ProcessorNameString", 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(name.c_str()),
                              static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }
    HKEY key_ = nullptr;
    bool ok_ = false;
    std::wstring old_;
};

}  // namespace

// Every report of an install that succeeded, the speed report and the prompt's answers, in the
// order the flow raises them.
TEST_F(WholeRun, ReportsOfAWholeRunAreThoseOfFreshProbesByteForByte) {
    ReportStepNow(kStepDownloaderStart);
    GetIntervalText(0);
    ReportStepWithInterval(kStepPercent2);
    ReportStepWithInterval(kStepPercent50);
    SpeedSampleCount = 5;
    SendSpeedReport(4000000.0);
    SpeedSampleCount = 1;
    ReportStepWithInterval(kStepSetupDownloaded);
    GetIntervalText(0);
    ReportStepWithInterval(kStepSetupSuccess);
    ReportStepWithInterval(kStepSetupFailed);
    ReportStepNow(kStepContinueSetup);
    ReportStepNow(kStepCancelSetup);
    Delivered();

    std::vector<std::string> steps;
    for (const ServerRequest& r : TestServer::Requests()) {
        const std::string rand = Field(r.query, "rand");
        if (r.path == "/qzadmin/down_speed.php") {
            steps.push_back("speed");
            EXPECT_EQ(FreshSpeedQuery(rand, ComputeSpeedKiB(4000000.0, 5)), r.query);
            continue;
        }
        ASSERT_EQ("/qzadmin/operate.php", r.path);
        const std::string step = Field(r.query, "step");
        steps.push_back(step);
        EXPECT_EQ(FreshStepQuery(step, Field(r.query, "interval"), rand, Field(r.query, "time")),
                  r.query);
    }
    const std::vector<std::string> expected = {"DownloaderStart", "Percent2",        "Percent50",
                                               "speed",           "SetupDownloaded", "SetupSuccess",
                                               "SetupFailed",     "ContinueSetup",   "CancelSetup"};
    EXPECT_EQ(expected, steps);
}

TEST_F(WholeRun, FactsAreProbedOncePerRun) {
    const std::string first = GetHardwareProfile().cpuName;
    ASSERT_FALSE(first.empty());
    ProcessorNameOverride other(L"Velmora Test Processor 9000");
    ASSERT_TRUE(other.ok()) << "the processor name cannot be changed in this prefix";
    ASSERT_EQ("Velmora Test Processor 9000", GetProcessorNameAnsi());

    ReportStepNow(kStepDownloaderStart);
    Delivered();
    const std::vector<ServerRequest> seen = TestServer::RequestsFor("GET", "/qzadmin/operate.php");
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(PercentEncodeUrl(first), Field(seen[0].query, "cpudes"));
    EXPECT_EQ(first, GetHardwareProfile().cpuName);
}
