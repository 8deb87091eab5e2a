// From the downloader's final check to the package run: the verified file is held so that no
// other program can change, delete, rename or replace it until the package has ended; it runs
// in its own folder; texts too long for the downloader are refused, and then nothing runs.
// The downloads come from the loopback test server; the other program is a real Windows
// process under the same Wine server (share_probe.exe), once as a bystander and once as the
// package itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "app/text_convert.h"
#include "download/md5.h"
#include "download/tiny_download.h"
#include "installer/install_command.h"
#include "installer/install_flow.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {
const DWORD kSharingViolation = ERROR_SHARING_VIOLATION;

std::string ProbeExe() {
    const char* path = std::getenv("VELMORA_PROBE_EXE");
    return path ? path : "";
}

std::wstring Wide(const std::string& ascii) {
    return WidenBytes(ascii);
}

// The report of share_probe.exe as key=value pairs.
std::map<std::string, std::string> ReadReport(const std::string& path) {
    std::map<std::string, std::string> values;
    const std::string text = ReadFileBytes(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        start = end + 1;
    }
    return values;
}

void ExpectEveryChangeRefused(const std::map<std::string, std::string>& report) {
    const std::string refused = std::to_string(kSharingViolation);
    for (const char* attempt : {"write", "delete", "rename"}) {
        EXPECT_EQ(refused, report.count(attempt) ? report.at(attempt) : "missing") << attempt;
    }
    // Putting another file in its place is refused as access denied.
    const std::string replace = report.count("replace") ? report.at("replace") : "missing";
    EXPECT_TRUE(replace == refused || replace == std::to_string(ERROR_ACCESS_DENIED)) << replace;
}

// Runs share_probe.exe against a file as a bystander and returns its report.
std::map<std::string, std::string> ProbeFrom(const std::string& file, const std::string& report) {
    EXPECT_TRUE(
        RunProcess(Wide("\"" + ProbeExe() + "\" \"" + file + "\" \"" + report + "\""), true));
    return ReadReport(report);
}

void WaitUntilFinished(CTinyDownload& downloader) {
    while (!downloader.IsFinished()) {
        Sleep(20);
    }
}

std::shared_ptr<InstallJob> JobFor(std::shared_ptr<CTinyDownload> downloader,
                                   const std::string& setupPath, const std::string& folder) {
    auto job = std::make_shared<InstallJob>();
    job->downloader = std::move(downloader);
    job->setupPath = Wide(setupPath);
    job->folder = Wide(folder);
    job->target = MakeInstallTarget(job->setupPath, job->folder);
    // Where the progress thread runs the package.
    job->state.StartDownload();
    job->state.StartInstalling();
    return job;
}

std::shared_ptr<CTinyDownload> FastDownloader() {
    auto downloader = std::make_shared<CTinyDownload>();
    DownloadTiming timing;
    timing.firstRetryDelayMs = 10;
    timing.maxRetryDelayMs = 50;
    downloader->SetTiming(timing);
    return downloader;
}
}  // namespace

class HandoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty());
        ASSERT_TRUE(FileExists(ProbeExe())) << ProbeExe();
        TestServer::Reset();
    }
};

TEST_F(HandoverTest, VerifiedPackageCannotBeChangedUntilItHasRunAndRunsInItsOwnFolder) {
    TempDir dir("handover");
    const std::string md5 =
        TestServer::Control("package?path=/pkg/Setup.exe", ReadFileBytes(ProbeExe()), true);
    const std::string setup = dir.file("dl") + "\\Setup.exe";
    auto downloader = FastDownloader();
    ASSERT_TRUE(downloader->AddDownloadWork(TestServer::Url("/pkg/Setup.exe"), setup, md5));
    ASSERT_EQ(0, downloader->StartDownloadThread());
    WaitUntilFinished(*downloader);

    // Between the check and the run: another program can neither change nor swap the file.
    ExpectEveryChangeRefused(ProbeFrom(setup, dir.file("between.txt")));
    EXPECT_EQ(md5, GetStringMD5(ReadFileBytes(setup).data(), ReadFileBytes(setup).size()));

    // The package itself is such a program: while it runs the file is still held.
    auto job = JobFor(downloader, setup, dir.file("target"));
    EXPECT_TRUE(InstallPackage(*job));
    std::map<std::string, std::string> during =
        ReadReport(dir.file("target") + "\\Velmora\\probe.txt");
    ExpectEveryChangeRefused(during);
    EXPECT_EQ(setup, during["exe"]);
    EXPECT_EQ(dir.file("dl"), during["cwd"]);

    // Once the package has ended the file is free again.
    EXPECT_TRUE(DeleteFileA(setup.c_str()));
}

TEST_F(HandoverTest, PackageIsHeldFromItsFirstWrittenByteAndCheckedWithoutASecondRead) {
    TempDir dir("written");
    const std::string package = ReadFileBytes(ProbeExe());
    const std::string md5 = TestServer::Control("package?path=/pkg/Setup.exe", package, true);
    const size_t half = package.size() / 2;
    TestServer::Fault("/pkg/Setup.exe", "stall_after=" + std::to_string(half));
    const std::string setup = dir.file("dl") + "\\Setup.exe";
    LogCapture log;
    auto downloader = FastDownloader();
    ASSERT_TRUE(downloader->AddDownloadWork(TestServer::Url("/pkg/Setup.exe"), setup, md5));
    ASSERT_EQ(0, downloader->StartDownloadThread());
    DownloadInfo info;
    do {
        Sleep(20);
        downloader->GetDownloadInfo(&info);
    } while (info.received < half);

    // Half written, the transfer waiting for the rest: nobody else may change the file.
    ExpectEveryChangeRefused(ProbeFrom(setup, dir.file("during.txt")));
    TestServer::Fault("/pkg/Setup.exe", "clear=1");
    WaitUntilFinished(*downloader);
    EXPECT_EQ(1, log.countExact("Check file md5 OK.", "T/")) << log.dump();
    // A program: its digest was taken as it was written, and the hold passed to a read-only
    // handle under an image mapping, so the file was not read again.
    EXPECT_EQ(1, log.countExact("md5 of the bytes as written", "T/")) << log.dump();
    EXPECT_EQ(0, log.countStartingWith("read again", "T/"));
    ExpectEveryChangeRefused(ProbeFrom(setup, dir.file("between.txt")));

    // The write access is gone: the package starts from the held file and is still held.
    auto job = JobFor(downloader, setup, dir.file("target"));
    EXPECT_TRUE(InstallPackage(*job)) << log.dump();
    ExpectEveryChangeRefused(ReadReport(dir.file("target") + "\\Velmora\\probe.txt"));
}

TEST_F(HandoverTest, DataFileThatIsNoProgramIsReadAgainThroughTheHeldHandle) {
    TempDir dir("data");
    const std::string md5 = TestServer::DefinePackage("/pkg/Setup.exe", 300000, 77);
    const std::string setup = dir.file("Setup.exe");
    LogCapture log;
    auto downloader = FastDownloader();
    ASSERT_TRUE(downloader->AddDownloadWork(TestServer::Url("/pkg/Setup.exe"), setup, md5));
    ASSERT_EQ(0, downloader->StartDownloadThread());
    WaitUntilFinished(*downloader);
    EXPECT_EQ(1, log.countExact("md5 of the bytes as written", "T/")) << log.dump();
    EXPECT_EQ(1, log.countExact("read again through the held handle: no program to map", "T/"));
    EXPECT_EQ(1, log.countStartingWith("local md5=" + md5 + ", ", "I/"));
    EXPECT_EQ(1, log.countExact("Check file md5 OK.", "T/"));
    ExpectEveryChangeRefused(ProbeFrom(setup, dir.file("between.txt")));
    ScopedHandle held = downloader->TakeVerifiedFile(0);
    EXPECT_TRUE(held.valid());
}

TEST_F(HandoverTest, TextsTooLongForTheDownloaderAreRefusedAndThenNothingRuns) {
    TempDir dir("refused");
    const std::string md5 =
        TestServer::Control("package?path=/pkg/Setup.exe", ReadFileBytes(ProbeExe()), true);
    const std::string setup = dir.file("Setup.exe");
    const std::string url = TestServer::Url("/pkg/Setup.exe");
    LogCapture log;
    auto downloader = FastDownloader();
    const std::string longUrl = url + "?" + std::string(511 - url.size(), 'a');
    EXPECT_FALSE(downloader->AddDownloadWork(longUrl, setup, md5));
    EXPECT_FALSE(downloader->AddDownloadWork(url, setup, md5 + std::string(32, '0')));
    EXPECT_FALSE(downloader->AddDownloadWork(url, dir.file(std::string(256, 'p')), md5));
    EXPECT_EQ(
        3, log.countExact("AddDownloadWork: url, path or md5 longer than its field, item not added",
                          "E/"))
        << log.dump();
    EXPECT_EQ(0, downloader->GetWorkCount());

    // A package planted where the verified one would be is never started.
    WriteFileBytes(setup, ReadFileBytes(ProbeExe()));
    ASSERT_EQ(0, downloader->StartDownloadThread());
    WaitUntilFinished(*downloader);
    auto job = JobFor(downloader, setup, dir.file("target"));
    EXPECT_FALSE(InstallPackage(*job));
    EXPECT_FALSE(FileExists(dir.file("target") + "\\Velmora\\probe.txt"));
    EXPECT_EQ(1, log.countStartingWith("no package was accepted for download, not running ", "E/"))
        << log.dump();
    EXPECT_EQ(0, log.countContaining(" return ", "D/"));
}

TEST_F(HandoverTest, AVerifiedFileElsewhereThanThePackagePathIsNotRun) {
    TempDir dir("elsewhere");
    const std::string md5 =
        TestServer::Control("package?path=/pkg/Setup.exe", ReadFileBytes(ProbeExe()), true);
    auto downloader = FastDownloader();
    ASSERT_TRUE(
        downloader->AddDownloadWork(TestServer::Url("/pkg/Setup.exe"), dir.file("other.exe"), md5));
    ASSERT_EQ(0, downloader->StartDownloadThread());
    WaitUntilFinished(*downloader);
    WriteFileBytes(dir.file("Setup.exe"), ReadFileBytes(ProbeExe()));
    LogCapture log;
    auto job = JobFor(downloader, dir.file("Setup.exe"), dir.file("target"));
    EXPECT_FALSE(InstallPackage(*job));
    EXPECT_FALSE(FileExists(dir.file("target") + "\\Velmora\\probe.txt"));
    EXPECT_EQ(1, log.countContaining("is not the file", "E/")) << log.dump();
}
