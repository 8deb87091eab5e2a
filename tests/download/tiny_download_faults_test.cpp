// The downloader when things go wrong: wrong bytes, a missing package or length, stalls, pause,
// servers that ignore the resume offset, over-long inputs, and a downloader deleted while it
// works.
#include "tests/download/downloader_fixture.h"

namespace {
const char kPkg[] = "/pkg/Setup.exe";
}

TEST_F(DownloaderTest, WrongBytesFailTheChecksumUntilTheServerIsFixed) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 400000, 31);
    TestServer::Fault(kPkg, "wrong_bytes=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] {
        return log_.countExact("Check download file md5 failed, re-try.", "E/") >= 2;
    })) << log_.dump();
    TestServer::Fault(kPkg, "clear=1");
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    // Each failed check deleted the file, so every attempt started again from 0.
    for (const ServerRequest& r : TestServer::RequestsFor("GET", kPkg)) {
        EXPECT_EQ("", r.range);
    }
}

TEST_F(DownloaderTest, MissingPackageIsAskedForAgainWithoutWritingAnything) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 300000, 32);
    TestServer::Fault(kPkg, "not_found=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] {
        return log_.countExact("GetTotalFileLenthEtag: the server answered HTTP 404", "W/") >= 2;
    })) << log_.dump();
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_FALSE(FileExists(File("Setup.exe")));
    TestServer::Fault(kPkg, "clear=1");
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(0, log_.countStartingWith("Check download file md5 failed"));
}

TEST_F(DownloaderTest, MissingLengthIsRetriedWithGrowingWaits) {
    TestServer::DefinePackage(kPkg, 300000, 33, "nolength=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), "0"));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] {
        return log_.countExact("GetTotalFileLenthEtag failed! re-try.", "W/") >= 6;
    })) << log_.dump();
    d.reset();  // deleting a working downloader stops its worker first
    // Waits of 50, 100, 200, 400, 400 ms: retries never spin.
    std::vector<std::string> waits;
    for (const std::string& line : log_.lines()) {
        std::string m = LogMessageOf(line);
        if (m.compare(0, 16, "next attempt in ") == 0) {
            waits.push_back(m);
        }
    }
    ASSERT_GE(waits.size(), 5u);
    EXPECT_EQ("next attempt in 50 ms", waits[0]);
    EXPECT_EQ("next attempt in 100 ms", waits[1]);
    EXPECT_EQ("next attempt in 200 ms", waits[2]);
    EXPECT_EQ("next attempt in 400 ms", waits[3]);
    EXPECT_EQ("next attempt in 400 ms", waits[4]);
    EXPECT_EQ(0, log_.countStartingWith("GetTotalFileLenthEtag error"));
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
}

TEST_F(DownloaderTest, RefusedConnectionLogsTheCurlCode) {
    auto d = NewDownloader(MakeWork("http://127.0.0.1:1/pkg/Setup.exe", Folder(), "0"));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor(
        [&] { return log_.countExact("GetTotalFileLenthEtag failed! re-try.", "W/") >= 2; }));
    d.reset();
    EXPECT_GE(log_.countExact("GetTotalFileLenthEtag error, code=7", "E/"), 2);
}

TEST_F(DownloaderTest, StalledTransferIsEndedAndResumed) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 1000000, 34);
    TestServer::Fault(kPkg, "stall_after=300000");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] { return log_.countStartingWith("no data for 1500 ms", "W/") >= 1; }))
        << log_.dump();
    TestServer::Fault(kPkg, "clear=1");
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(
        1, log_.countExact("download failed, re-try. code=42, url=" + TestServer::Url(kPkg), "E/"));
    EXPECT_EQ(1, log_.countExact("resume from: 300000", "T/"));
}

TEST_F(DownloaderTest, PauseStopsReceptionWithoutTimingOutAndResumeFinishes) {
    const long long size = 6 * 1024 * 1024;
    const std::string md5 = TestServer::DefinePackage(kPkg, size, 35);
    TestServer::Fault(kPkg, "rate=1500000");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    d->Pause();  // nothing live yet: no effect
    EXPECT_EQ(IDLE, d->GetStatus());
    ASSERT_EQ(0, d->StartDownloadThread());
    DownloadInfo info;
    ASSERT_TRUE(WaitFor([&] {
        d->GetDownloadInfo(&info);
        return info.received > 200000;
    }));
    EXPECT_TRUE(d->IsDownloading());
    EXPECT_EQ(-1, d->StartDownloadThread());  // busy

    d->Pause();
    EXPECT_EQ(PAUSED, d->GetStatus());
    EXPECT_FALSE(d->IsDownloading());
    EXPECT_EQ(-1, d->StartDownloadThread());
    Sleep(600);  // let the worker apply the pause
    d->GetDownloadInfo(&info);
    const double atPause = info.received;
    Sleep(2500);  // longer than the stall period: a paused transfer never times out
    d->GetDownloadInfo(&info);
    EXPECT_EQ(atPause, info.received);
    EXPECT_EQ(0, log_.countStartingWith("no data for"));

    d->Resume();
    EXPECT_EQ(DOWNLOADING, d->GetStatus());
    ASSERT_TRUE(WaitFor([&] {
        d->GetDownloadInfo(&info);
        return info.received > atPause || d->IsFinished();
    }));
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1u, TestServer::RequestsFor("GET", kPkg).size());
    d->Resume();  // nothing live: no effect
    EXPECT_EQ(FINISHED, d->GetStatus());
}

// Stopped during a transfer, running or paused, the downloader leaves every byte it received
// in the file (none in its write buffer) beside the sidecar, and a new one resumes after them.
TEST_F(DownloaderTest, StopWritesOutEveryByteReceivedAndANewDownloaderResumes) {
    const long long size = 1000000;
    const long long sent = 300000;
    const std::string md5 = TestServer::DefinePackage(kPkg, size, 36);
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        DeleteFileA(File("Setup.exe").c_str());
        DeleteFileA(Sidecar("Setup.exe").c_str());
        TestServer::Fault(kPkg, "clear=1");
        // Small pieces, so that the last ones wait in the write buffer.
        TestServer::Fault(kPkg, "rate=200000&stall_after=300000");
        TestServer::ClearRequests();
        auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
        ASSERT_EQ(0, d->StartDownloadThread());
        ASSERT_TRUE(WaitFor([&] {
            const auto gets = TestServer::RequestsFor("GET", kPkg);
            return !gets.empty() && gets[0].bytesSent >= sent;
        }));
        Sleep(500);  // through the loopback
        if (paused) {
            d->Pause();
            Sleep(300);
        }
        EXPECT_TRUE(d->Stop(2000));
        EXPECT_EQ(sent, FileSize(File("Setup.exe")));
        EXPECT_EQ(sent, TestServer::RequestsFor("GET", kPkg)[0].bytesSent);
        EXPECT_FALSE(d->IsFinished());
        d.reset();

        TestServer::Fault(kPkg, "clear=1");
        TestServer::ClearRequests();
        auto next = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
        RunToEnd(*next);
        EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
        const auto gets = TestServer::RequestsFor("GET", kPkg);
        ASSERT_EQ(1u, gets.size());
        EXPECT_EQ("bytes=300000-", gets[0].range);
        EXPECT_EQ(size - sent, gets[0].bytesSent);
    }
}

TEST_F(DownloaderTest, PauseDuringTheLengthProbeStopsItAndHoldsUntilResume) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 400000, 39);
    TestServer::Fault(kPkg, "head_delay=5000");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] { return TestServer::RequestsFor("HEAD", kPkg).size() == 1; }));
    d->Pause();
    EXPECT_EQ(PAUSED, d->GetStatus());
    ASSERT_TRUE(WaitFor([&] {
        return log_.countExact("GetTotalFileLenthEtag: stopped by a pause") == 1;
    })) << log_.dump();
    TestServer::Fault(kPkg, "head_delay=0");
    Sleep(600);  // room for a worker that would go on in spite of the pause
    EXPECT_EQ(PAUSED, d->GetStatus());
    EXPECT_EQ(1u, TestServer::RequestsFor("HEAD", kPkg).size());
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_EQ(0, log_.countStartingWith("GetTotalFileLenthEtag failed"));
    EXPECT_EQ(0, log_.countStartingWith("GetTotalFileLenthEtag error"));

    d->Resume();
    EXPECT_NE(PAUSED, d->GetStatus());
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(2u, TestServer::RequestsFor("HEAD", kPkg).size());
    EXPECT_EQ(1u, TestServer::RequestsFor("GET", kPkg).size());
}

TEST_F(DownloaderTest, PauseDuringTheWaitBetweenAttemptsHoldsTheNextOne) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 400000, 40);
    TestServer::Fault(kPkg, "answer=503&answer_to=head&answer_times=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    DownloadTiming timing = FastTiming();
    timing.firstRetryDelayMs = 1000;
    d->SetTiming(timing);
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] { return log_.countExact("next attempt in 1000 ms", "I/") == 1; }));
    d->Pause();
    EXPECT_EQ(PAUSED, d->GetStatus());
    EXPECT_FALSE(d->IsDownloading());
    EXPECT_EQ(-1, d->StartDownloadThread());
    Sleep(2500);  // the wait is over; the next attempt must not begin
    EXPECT_EQ(PAUSED, d->GetStatus());
    EXPECT_EQ(1u, TestServer::RequestsFor("HEAD", kPkg).size());
    EXPECT_EQ(1, log_.countExact("paused, waiting for resume", "T/"));

    d->Resume();
    EXPECT_EQ(IDLE, d->GetStatus());
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1u, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_EQ(1, log_.countExact("resumed", "T/"));
}

TEST_F(DownloaderTest, ServerIgnoringTheRangeGetsTheWholeFileOnce) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 800000, 36);
    WriteFileBytes(File("Setup.exe"), FetchPackage(kPkg).substr(0, 300000));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    TestServer::ClearRequests();
    TestServer::Fault(kPkg, "ignore_range=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1, log_.countStartingWith("server ignored the resume offset", "W/"));
    EXPECT_EQ(1, log_.countExact("resume from: 300000", "T/"));
    // The whole file of that one answer replaced the partial bytes.
    const std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(1u, gets.size());
    EXPECT_EQ("bytes=300000-", gets[0].range);
    DownloadInfo info;
    d->GetDownloadInfo(&info);
    EXPECT_EQ(0u, info.resumeFrom);
    EXPECT_EQ(800000.0, info.received);
}

TEST_F(DownloaderTest, OverlongInputsAreRefusedWithAnErrorLine) {
    CTinyDownload d;
    const std::string url = "http://dl.velmora.example/pkg/Setup.exe";
    DownloadWork longUrl = MakeWork(url, Folder(), "0");
    std::memset(longUrl.url, 'u', sizeof longUrl.url);  // no terminator in the field
    d.AddDownloadWork(longUrl);
    DownloadWork longPath = MakeWork(url, Folder(), "0");
    std::memset(longPath.savePath, 'p', sizeof longPath.savePath);  // no terminator in the field
    d.AddDownloadWork(longPath);
    DownloadWork longMd5 = MakeWork(url, Folder(), "0");
    std::memset(longMd5.md5, 'a', sizeof longMd5.md5);
    d.AddDownloadWork(longMd5);
    // A folder whose name plus the file name no longer fits the path field.
    d.AddDownloadWork(
        MakeWork(url, Folder() + "\\" + std::string(250 - Folder().size(), 'f'), "0"));
    EXPECT_EQ(0, d.GetWorkCount());
    EXPECT_EQ(4, log_.countStartingWith("AddDownloadWork: ", "E/")) << log_.dump();

    for (int i = 0; i < CTinyDownload::kMaxWorks; ++i) {
        d.AddDownloadWork(MakeWork(url, Folder() + "\\f" + std::to_string(i) + ".bin", "0"));
    }
    EXPECT_EQ(CTinyDownload::kMaxWorks, d.GetWorkCount());
    d.AddDownloadWork(MakeWork(url, Folder() + "\\one-too-many.bin", "0"));
    EXPECT_EQ(CTinyDownload::kMaxWorks, d.GetWorkCount());
    EXPECT_EQ(1, log_.countStartingWith("AddDownloadWork: the list is full", "E/"));
}

TEST_F(DownloaderTest, LongEtagDoesNotLookLikeAChangeEveryTime) {
    const std::string etag = "\"" + std::string(700, 'e') + "\"";
    const std::string md5 = TestServer::DefinePackage(kPkg, 900000, 37, "etag=" + etag);
    TestServer::Fault(kPkg, "cut_after=400000&cut_times=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(0, log_.countStartingWith("file changed on server"));
    EXPECT_EQ(1, log_.countExact("resume from: 400000", "T/"));
}

TEST_F(DownloaderTest, ChecksumWithBlanksNeverMatches) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 100000, 38);
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), " " + md5 + " "));
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor(
        [&] { return log_.countExact("Check download file md5 failed, re-try.", "E/") >= 2; }));
    EXPECT_FALSE(d->IsFinished());
    d.reset();
}
