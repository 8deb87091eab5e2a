// The downloader against servers and disks that misbehave around a partial file: error answers
// to the resumed request and to the length probe, bodies longer than the file, a partial file
// held open by another program, a full disk. The partial bytes must survive all of them.
#include "tests/download/downloader_fixture.h"

namespace {
const char kPkg[] = "/pkg/Setup.exe";
const long long kSize = 800000;
const size_t kPartial = 300000;
const char kResumedRange[] = "bytes=300000-";

struct ErrorAnswer {
    int status;
    bool body;
    int seen;  // the status the downloader ends up with (a redirect leads to a 500 page)
};

std::vector<ErrorAnswer> ErrorAnswers(bool withPartialContent) {
    std::vector<ErrorAnswer> answers;
    for (int status : {206, 403, 404, 416, 429, 500, 502, 503, 302}) {
        if (status == 206 && !withPartialContent) {
            continue;
        }
        for (bool body : {true, false}) {
            answers.push_back({status, body, status == 302 ? 500 : status});
        }
    }
    return answers;
}

std::string Describe(const ErrorAnswer& a) {
    return "HTTP " + std::to_string(a.status) + (a.body ? " with" : " without") + " a body";
}

// A file that another program keeps open (the way a virus scanner or a second copy of the
// installer would): share modes bind every opener under the same Wine server, this process
// included.
class HeldFile {
public:
    HeldFile(const std::string& path, DWORD share)
        : handle_(
              CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool held() const { return handle_.valid(); }
    void release() { handle_.reset(); }

private:
    ScopedHandle handle_;
};

// Nothing in the log says the partial file was thrown away or fetched again from 0.
void ExpectPartialNeverDiscarded(const LogCapture& log) {
    EXPECT_EQ(0, log.countStartingWith("file changed on server")) << log.dump();
    EXPECT_EQ(0, log.countStartingWith("localFileLen > totalFileLen"));
    EXPECT_EQ(0, log.countStartingWith("Check download file md5 failed"));
    EXPECT_EQ(0, log.countStartingWith("server ignored the resume offset"));
    EXPECT_EQ(0, log.countExact("resume from: 0"));
}

// Every GET of the package asked for the rest of the partial file.
void ExpectOnlyResumedGets(size_t count) {
    const std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    EXPECT_EQ(count, gets.size());
    for (const ServerRequest& r : gets) {
        EXPECT_EQ(kResumedRange, r.range);
    }
}
}  // namespace

class PartialFileTest : public DownloaderTest {
protected:
    // A folder holding the first kPartial bytes of a new package and a matching sidecar;
    // returns the package's MD5.
    std::string PreparePartial(const std::string& folder, int seed) {
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string md5 = TestServer::DefinePackage(kPkg, kSize, seed);
        WriteFileBytes(folder + "\\Setup.exe", FetchPackage(kPkg).substr(0, kPartial));
        std::FILE* f = std::fopen((folder + "\\Setup.exe.cfg").c_str(), "w");
        std::fputs(" \"v1\"\r\n", f);
        std::fclose(f);
        TestServer::ClearRequests();
        return md5;
    }

    std::unique_ptr<CTinyDownload> Start(const std::string& folder, const std::string& md5) {
        auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), folder, md5));
        EXPECT_EQ(0, d->StartDownloadThread());
        return d;
    }

    bool Finished(CTinyDownload& d) {
        return WaitFor([&] { return d.IsFinished(); });
    }
};

TEST_F(PartialFileTest, ErrorAnswersToTheResumedRequestKeepThePartialBytes) {
    int seed = 100;
    for (const ErrorAnswer& a : ErrorAnswers(true)) {
        SCOPED_TRACE(Describe(a));
        LogCapture log;
        const std::string folder = Folder() + "\\get" + std::to_string(seed);
        const std::string md5 = PreparePartial(folder, seed++);
        TestServer::Fault(kPkg, "answer=" + std::to_string(a.status) +
                                    "&answer_times=2&answer_body=" + (a.body ? "1" : "0"));
        auto d = Start(folder, md5);
        ASSERT_TRUE(Finished(*d)) << log.dump();
        EXPECT_EQ(md5, GetFileMD5((folder + "\\Setup.exe").c_str()));
        ExpectOnlyResumedGets(3);
        ExpectPartialNeverDiscarded(log);
        EXPECT_EQ(2, log.countStartingWith("unexpected answer to the request from 300000: HTTP " +
                                               std::to_string(a.seen),
                                           "W/"));
        // A failed attempt like any other: logged, then the next one after the wait.
        EXPECT_EQ(2, log.countStartingWith("download failed, re-try. code=", "E/"));
        EXPECT_EQ(3, log.countExact("resume from: 300000", "T/"));
    }
}

TEST_F(PartialFileTest, ErrorAnswersToTheLengthProbeKeepThePartialBytes) {
    int seed = 200;
    for (const ErrorAnswer& a : ErrorAnswers(false)) {
        SCOPED_TRACE(Describe(a));
        LogCapture log;
        const std::string folder = Folder() + "\\head" + std::to_string(seed);
        const std::string md5 = PreparePartial(folder, seed++);
        // With a body, the error page's own length comes in Content-Length.
        TestServer::Fault(kPkg,
                          "answer=" + std::to_string(a.status) +
                              "&answer_to=head&answer_times=2&answer_body=" + (a.body ? "1" : "0"));
        auto d = Start(folder, md5);
        ASSERT_TRUE(Finished(*d)) << log.dump();
        EXPECT_EQ(md5, GetFileMD5((folder + "\\Setup.exe").c_str()));
        ExpectOnlyResumedGets(1);
        ExpectPartialNeverDiscarded(log);
        EXPECT_EQ(3u, TestServer::RequestsFor("HEAD", kPkg).size());
        EXPECT_EQ(2, log.countExact("GetTotalFileLenthEtag: the server answered HTTP " +
                                        std::to_string(a.seen),
                                    "W/"));
        EXPECT_EQ(2, log.countExact("GetTotalFileLenthEtag failed! re-try.", "W/"));
    }
}

TEST_F(PartialFileTest, ServerSendingMoreThanTheFileEndsTheAttempt) {
    int seed = 300;
    for (bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "announced in Content-Length" : "sent without a length");
        LogCapture log;
        const std::string folder = Folder() + "\\long" + std::to_string(seed);
        const std::string md5 = PreparePartial(folder, seed++);
        // 4 MiB of garbage after the last byte of the file.
        TestServer::Fault(kPkg, std::string("overlong=4194304&overlong_times=1") +
                                    (announced ? "&overlong_announced=1" : ""));
        auto d = Start(folder, md5);
        ASSERT_TRUE(Finished(*d)) << log.dump();
        EXPECT_EQ(md5, GetFileMD5((folder + "\\Setup.exe").c_str()));
        EXPECT_EQ(kSize, FileSize(folder + "\\Setup.exe"));
        ExpectPartialNeverDiscarded(log);
        EXPECT_EQ(1, log.countStartingWith("download failed, re-try. code=", "E/"));
        if (announced) {
            // Refused from the announced length, before any byte of the body.
            EXPECT_EQ(1, log.countStartingWith("download failed, re-try. code=63,", "E/"));
            ExpectOnlyResumedGets(2);
        } else {
            // Taken up to the file's end; the next attempt finds the file complete.
            EXPECT_EQ(1, log.countExact("the server sends more than the 800000 bytes of the "
                                        "file, ending this attempt",
                                        "W/"));
            ExpectOnlyResumedGets(1);
            EXPECT_EQ(1, log.countExact("Check file md5 OK.", "T/"));
        }
    }
}

TEST_F(PartialFileTest, PartialFileHeldByAnotherProgramIsResumedAtItsRealLength) {
    const std::string folder = Folder() + "\\held";
    const std::string file = folder + "\\Setup.exe";
    const std::string md5 = PreparePartial(folder, 400);
    // First held so that nobody else may open it: every attempt fails before asking for bytes.
    HeldFile exclusive(file, 0);
    ASSERT_TRUE(exclusive.held());
    auto d = Start(folder, md5);
    // The pause line follows the failure line: wait for both, or a loaded machine reads the log
    // between the two.
    ASSERT_TRUE(WaitFor([&] {
        return log_.countExact("Can't open local file: " + file + ", re-try.", "E/") >= 2 &&
               log_.countStartingWith("next attempt in ", "I/") >= 2;
    })) << log_.dump();
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
    // Then only read by the other program, as a virus scanner does: the download resumes at
    // the file's real length while it is still held.
    exclusive.release();
    HeldFile scanner(file, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(scanner.held());
    ASSERT_TRUE(Finished(*d)) << log_.dump();
    scanner.release();
    EXPECT_EQ(md5, GetFileMD5(file.c_str()));
    ExpectOnlyResumedGets(1);
    ExpectPartialNeverDiscarded(log_);
}

TEST_F(PartialFileTest, OutdatedFileThatCannotBeDeletedIsLeftUntilItCanBe) {
    const std::string folder = Folder() + "\\stale";
    const std::string file = folder + "\\Setup.exe";
    PreparePartial(folder, 500);
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 501, "etag=%22v2%22");
    HeldFile scanner(file, FILE_SHARE_READ | FILE_SHARE_WRITE);  // no deleting while held
    ASSERT_TRUE(scanner.held());
    auto d = Start(folder, md5);
    ASSERT_TRUE(WaitFor([&] {
        return log_.countStartingWith("Can't delete local file: " + file, "E/") >= 2;
    })) << log_.dump();
    // Nothing was fetched to be appended behind the old bytes.
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_EQ(static_cast<long long>(kPartial), FileSize(file));
    scanner.release();
    ASSERT_TRUE(Finished(*d)) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(file.c_str()));
    const std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(1u, gets.size());
    EXPECT_EQ("", gets[0].range);
}

TEST_F(PartialFileTest, FullDiskKeepsWhatWasWrittenAndResumesWhenThereIsRoom) {
    const std::string folder = Folder() + "\\full";
    const std::string file = folder + "\\Setup.exe";
    const std::string md5 = PreparePartial(folder, 600);
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), folder, md5));
    d->SetDiskSpaceForTesting(500000);
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] { return log_.countStartingWith("write ", "W/") >= 2; }))
        << log_.dump();
    EXPECT_EQ(500000, FileSize(file));
    d->SetDiskSpaceForTesting(UINT64_MAX);
    ASSERT_TRUE(Finished(*d)) << log_.dump();
    EXPECT_EQ(md5, GetFileMD5(file.c_str()));
    EXPECT_EQ(0, log_.countStartingWith("Check download file md5 failed"));
    EXPECT_GE(log_.countStartingWith("download failed, re-try. code=23,", "E/"), 2);
    EXPECT_GE(log_.countStartingWith("next attempt in ", "I/"), 2);
    // The first request asked for the rest of the partial file, the later ones for what was
    // still missing after the disk filled up.
    const std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_GE(gets.size(), 3u);
    EXPECT_EQ(kResumedRange, gets[0].range);
    for (size_t i = 1; i < gets.size(); ++i) {
        EXPECT_EQ("bytes=500000-", gets[i].range);
    }
}
