// A package larger than 2 GiB: lengths and the resume offset must be 64-bit all the way.
#include "tests/download/downloader_fixture.h"

TEST_F(DownloaderTest, ThreeGigabytePackageResumesPastTwoGigabytes) {
    const char kPkg[] = "/pkg/Big.exe";
    const long long size = 3LL * 1024 * 1024 * 1024 + 4321;
    const long long cut = 2LL * 1024 * 1024 * 1024 + 512LL * 1024 * 1024 + 7;
    const std::string md5 = TestServer::DefinePackage(kPkg, size, 41, "pattern=1");
    ASSERT_EQ(32u, md5.size());
    TestServer::Fault(kPkg, "cut_after=" + std::to_string(cut) + "&cut_times=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(size, FileSize(File("Big.exe")));
    EXPECT_EQ(2, log_.countExact("totalFileLen: " + std::to_string(size), "T/"));
    EXPECT_EQ(1, log_.countExact("_filelength: " + std::to_string(cut), "T/")) << log_.dump();
    EXPECT_EQ(1, log_.countExact("resume from: " + std::to_string(cut), "T/"));
    EXPECT_EQ(1, log_.countExact("local md5=" + md5 + ", server md5=" + md5, "I/"));
    std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(2u, gets.size());
    EXPECT_EQ("bytes=" + std::to_string(cut) + "-", gets[1].range);
    EXPECT_EQ(size, gets[0].bytesSent + gets[1].bytesSent);
    DownloadInfo info;
    d->GetDownloadInfo(&info);
    EXPECT_EQ(static_cast<uint64_t>(cut), info.resumeFrom);
    EXPECT_EQ(static_cast<double>(size - cut), info.received);
}
