// The downloader against the loopback package host: first download, resume, restart over a
// partial file, ETag change, complete files on disk, checksum handling, destination rules.
#include "tests/download/downloader_fixture.h"

#include <algorithm>

#include "app/scoped_handles.h"

namespace {
const char kPkg[] = "/pkg/Setup.exe";
const long long kSize = 2 * 1024 * 1024 + 123;
}  // namespace

TEST_F(DownloaderTest, FirstDownloadFetchesFromZeroAndKeepsTheEtag) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 11);
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(" \"v1\"\r\n", ReadSidecarText("Setup.exe"));
    // Text mode on disk: the line end is stored as CR CR LF and reads back unchanged.
    EXPECT_EQ(" \"v1\"\r\r\n", ReadFileBytes(Sidecar("Setup.exe")));

    EXPECT_EQ(1, log_.countExact("Can't open local etag file!", "W/"));
    EXPECT_EQ(1, log_.countExact("resume from: 0", "T/"));
    // The ETag keeps its line end, so the log line carries it too.
    EXPECT_EQ(1, log_.countExact("server support ETag:  \"v1\"", "I/"));
    EXPECT_EQ(1, log_.countExact("totalFileLen: " + std::to_string(kSize), "T/"));
    EXPECT_EQ(1, log_.countExact("local md5=" + md5 + ", server md5=" + md5, "I/"));
    EXPECT_EQ(1, log_.countExact("Check file md5 OK.", "T/"));
    EXPECT_EQ(1, log_.countExact("SingleDownloadProc()", "T/"));
    EXPECT_EQ(1, log_.countExact("~SingleDownloadProc()", "T/"));

    std::vector<ServerRequest> heads = TestServer::RequestsFor("HEAD", kPkg);
    std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(1u, heads.size());
    ASSERT_EQ(1u, gets.size());
    EXPECT_EQ("", gets[0].range);

    DownloadInfo info;
    d->GetDownloadInfo(&info);
    EXPECT_EQ(File("Setup.exe"), info.savePath);
    EXPECT_EQ(static_cast<double>(kSize), info.totalLength);
    EXPECT_EQ(0u, info.resumeFrom);
    EXPECT_EQ(static_cast<double>(kSize), info.received);
}

TEST_F(DownloaderTest, CutConnectionResumesFromTheLocalLength) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 12);
    TestServer::Fault(kPkg, "cut_after=700000&cut_times=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(
        1, log_.countExact("download failed, re-try. code=18, url=" + TestServer::Url(kPkg), "E/"))
        << log_.dump();
    EXPECT_EQ(1, log_.countExact("current index=0, total=1", "I/"));
    EXPECT_EQ(1, log_.countExact("resume from: 700000", "T/"));
    EXPECT_EQ(1, log_.countExact("localFileLen: 700000", "T/"));
    std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(2u, gets.size());
    EXPECT_EQ("bytes=700000-", gets[1].range);
    // Nothing is sent twice.
    EXPECT_EQ(kSize, gets[0].bytesSent + gets[1].bytesSent);
}

TEST_F(DownloaderTest, NewDownloaderResumesAPartialFileWithTheSameEtag) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 13);
    const std::string bytes = FetchPackage(kPkg);
    ASSERT_EQ(static_cast<size_t>(kSize), bytes.size());
    WriteFileBytes(File("Setup.exe"), bytes.substr(0, 1000000));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    TestServer::ClearRequests();

    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1, log_.countExact("_filelength: 1000000", "T/"));
    EXPECT_EQ(1, log_.countExact("lastETag=\" \"v1\"", "T/"));
    std::vector<std::string> lines = log_.lines();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "\", serverETag=\" \"v1\""));
    EXPECT_EQ(1, log_.countExact("resume from: 1000000", "T/"));
    std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(1u, gets.size());
    EXPECT_EQ("bytes=1000000-", gets[0].range);
}

// The sidecar of a resumed file is never rewritten: rewriting starts from an empty file, and a
// process ended at that moment would leave the partial file with no ETag to resume by.
TEST_F(DownloaderTest, ResumeLeavesTheSidecarUntouched) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 14);
    WriteFileBytes(File("Setup.exe"), FetchPackage(kPkg).substr(0, 700000));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    FILETIME old = {};
    {
        SYSTEMTIME y2001 = {2001, 1, 1, 1, 0, 0, 0, 0};
        ASSERT_TRUE(SystemTimeToFileTime(&y2001, &old));
        ScopedHandle tag(CreateFileA(Sidecar("Setup.exe").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(tag.valid());
        ASSERT_TRUE(SetFileTime(tag.get(), nullptr, nullptr, &old));
    }
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1, log_.countExact("resume from: 700000", "T/"));
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    ASSERT_TRUE(GetFileAttributesExA(Sidecar("Setup.exe").c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(0, CompareFileTime(&old, &after.ftLastWriteTime)) << "the sidecar was written";
    EXPECT_EQ(" \"v1\"\r\n", ReadSidecarText("Setup.exe"));
}

// The digest of a resumed file starts from the bytes on disk, not from what they should be: one
// wrong byte in the partial file fails the check after the transfer, and the file is fetched
// again whole.
TEST_F(DownloaderTest, CorruptedPartialFileFailsTheCheckAndIsFetchedAgainWhole) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 15);
    std::string partial = FetchPackage(kPkg).substr(0, 1000000);
    partial[123456] = static_cast<char>(partial[123456] ^ 0x20);
    WriteFileBytes(File("Setup.exe"), partial);
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    TestServer::ClearRequests();

    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1, log_.countExact("Check download file md5 failed, re-try.", "E/")) << log_.dump();
    EXPECT_EQ(1, log_.countExact("Check file md5 OK.", "T/"));
    std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(2u, gets.size());
    EXPECT_EQ("bytes=1000000-", gets[0].range);
    EXPECT_EQ("", gets[1].range);
}

TEST_F(DownloaderTest, ChangedEtagRestartsFromZero) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 14, "etag=%22v2%22");
    WriteFileBytes(File("Setup.exe"), std::string(900000, 'x'));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1,
              log_.countExact("file changed on server, delete local file, redownload ...", "T/"));
    EXPECT_EQ(1, log_.countExact("resume from: 0", "T/"));
    EXPECT_EQ(" \"v2\"\r\n", ReadSidecarText("Setup.exe"));
    ASSERT_EQ(1u, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_EQ("", TestServer::RequestsFor("GET", kPkg)[0].range);
}

TEST_F(DownloaderTest, CompleteVerifiedFileNeedsNoTransfer) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 15);
    WriteFileBytes(File("Setup.exe"), FetchPackage(kPkg));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    TestServer::ClearRequests();
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(1,
              log_.countExact(File("Setup.exe") + " download complete. Check file md5 ...", "T/"));
    EXPECT_EQ(1, log_.countExact("Check file md5 OK.", "T/"));
    EXPECT_EQ(0, log_.countStartingWith("resume from:"));
    EXPECT_EQ(1u, TestServer::RequestsFor("HEAD", kPkg).size());
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
}

TEST_F(DownloaderTest, CompleteFileWithWrongChecksumIsDownloadedAgain) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 16);
    WriteFileBytes(File("Setup.exe"), std::string(static_cast<size_t>(kSize), 'z'));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1, log_.countExact("Check download file md5 failed, redownload.", "E/"));
    EXPECT_EQ(1, log_.countExact("resume from: 0", "T/"));
    EXPECT_EQ(1u, TestServer::RequestsFor("GET", kPkg).size());
}

TEST_F(DownloaderTest, LongerLocalFileIsDiscarded) {
    const std::string md5 = TestServer::DefinePackage(kPkg, 50000, 17);
    WriteFileBytes(File("Setup.exe"), std::string(60000, 'z'));
    WriteSidecar("Setup.exe", " \"v1\"\r\n");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ(1, log_.countExact("localFileLen > totalFileLen?? delete local file, redownload ...",
                                 "W/"));
}

TEST_F(DownloaderTest, UppercaseChecksumMatchesTheLowercaseDigest) {
    std::string md5 = TestServer::DefinePackage(kPkg, 300000, 18);
    std::string upper = md5;
    for (char& c : upper) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), upper));
    RunToEnd(*d);
    EXPECT_EQ(1, log_.countExact("local md5=" + md5 + ", server md5=" + md5, "I/"));
    EXPECT_EQ(1, log_.countExact("Check file md5 OK.", "T/"));
}

TEST_F(DownloaderTest, ServerWithoutEtagStillResumes) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 19, "noetag=1");
    TestServer::Fault(kPkg, "cut_after=500000&cut_times=1");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(File("Setup.exe").c_str()));
    EXPECT_EQ("", ReadFileBytes(Sidecar("Setup.exe")));
    EXPECT_TRUE(FileExists(Sidecar("Setup.exe")));
    EXPECT_EQ(2, log_.countExact("server support ETag: ", "I/"));
    EXPECT_EQ(1, log_.countExact("resume from: 500000", "T/"));
    std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(2u, gets.size());
    EXPECT_EQ("bytes=500000-", gets[1].range);
}

TEST_F(DownloaderTest, NoWorkItemsFinishesAtOnceWithoutRequests) {
    CTinyDownload d;
    ASSERT_EQ(0, d.StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] { return d.IsFinished(); }));
    EXPECT_TRUE(TestServer::Requests().empty());
    EXPECT_EQ(1, log_.countExact("~SingleDownloadProc()", "T/"));
}

TEST_F(DownloaderTest, SeveralItemsAreDownloadedInOrder) {
    const std::string a = TestServer::DefinePackage("/pkg/a.bin", 100000, 21);
    const std::string b = TestServer::DefinePackage("/pkg/b.bin", 200000, 22);
    CTinyDownload d;
    d.SetTiming(FastTiming());
    d.AddDownloadWork(MakeWork(TestServer::Url("/pkg/a.bin"), Folder(), a));
    d.AddDownloadWork(
        MakeWork(TestServer::Url("/pkg/b.bin?x=1&y=2"), Folder() + "\\sub\\deeper", b));
    EXPECT_EQ(2, d.GetWorkCount());
    RunToEnd(d);
    EXPECT_EQ(a, GetFileMD5(File("a.bin").c_str()));
    EXPECT_EQ(b, GetFileMD5((Folder() + "\\sub\\deeper\\b.bin").c_str()));
    EXPECT_EQ(2, log_.countExact("Check file md5 OK.", "T/"));
}

TEST_F(DownloaderTest, DestinationIsAFileWhenItsLastPartHasAnExtension) {
    CTinyDownload d;
    const std::string url = "http://dl.velmora.example/pkg/Setup.exe?ch=1&x=2";
    // A folder named after a dotted version number is taken as a file path.
    d.AddDownloadWork(MakeWork(url, Folder() + "\\Velmora 1.2", "0"));
    d.AddDownloadWork(MakeWork(url, Folder() + "\\folder.", "0"));
    d.AddDownloadWork(MakeWork(url, Folder() + "\\plain\\", "0"));
    d.AddDownloadWork(MakeWork(url, Folder() + "\\v2.0.", "0"));  // a dot before the last one
    EXPECT_EQ(4, d.GetWorkCount());
    EXPECT_EQ(1, log_.countExact(
                     "index: 0 url=" + url + ", to=" + Folder() + "\\Velmora 1.2, md5=0", "T/"))
        << log_.dump();
    EXPECT_EQ(
        1, log_.countExact(
               "index: 1 url=" + url + ", to=" + Folder() + "\\folder.\\Setup.exe, md5=0", "T/"));
    EXPECT_EQ(
        1, log_.countExact("index: 2 url=" + url + ", to=" + Folder() + "\\plain\\Setup.exe, md5=0",
                           "T/"));
    EXPECT_EQ(1,
              log_.countExact("index: 3 url=" + url + ", to=" + Folder() + "\\v2.0., md5=0", "T/"));
    EXPECT_EQ(2, log_.countExact("GetFileNameFormUrl: url=" + url + ", fileName=Setup.exe", "T/"));
    EXPECT_TRUE(FileExists(Folder() + "\\folder."));
    EXPECT_TRUE(FileExists(Folder() + "\\plain"));
    EXPECT_FALSE(FileExists(Folder() + "\\Velmora 1.2"));
}

TEST(DownloaderParts, FileNameFromUrl) {
    char name[256];
    EXPECT_EQ(0, CTinyDownload::GetFileNameFormUrl(name, "http://h/a/Setup.exe"));
    EXPECT_STREQ("Setup.exe", name);
    EXPECT_EQ(0, CTinyDownload::GetFileNameFormUrl(name, "http://h/Setup.exe&a=1?b"));
    EXPECT_STREQ("Setup.exe", name);
    // The search starts at the second-to-last character, so a trailing '/' is kept.
    EXPECT_EQ(0, CTinyDownload::GetFileNameFormUrl(name, "http://h/dir/"));
    EXPECT_STREQ("dir/", name);
    LogCapture log;
    EXPECT_NE(0, CTinyDownload::GetFileNameFormUrl(name, "no-slash-at-all"));
    EXPECT_NE(0, CTinyDownload::GetFileNameFormUrl(name, "/"));
    EXPECT_NE(
        0, CTinyDownload::GetFileNameFormUrl(name, ("http://h/" + std::string(300, 'n')).c_str()));
    EXPECT_EQ(3, log.countStartingWith("GetFileNameFormUrl: no", "E/"));
}
