// Room on the disk: the volumes' sums, the free space of a folder not made yet, and the
// downloader against a volume short of room before and during a transfer. The free space is
// played by a probe the test steers; the writes that fail are real refused writes.
#include <atomic>

#include "download/disk_space.h"
#include "tests/download/downloader_fixture.h"

namespace {
const char kPkg[] = "/pkg/Setup.exe";
const long long kSize = 800000;
const size_t kPartial = 300000;
const uint64_t kPlenty = 1ull << 40;

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Folders starting with "D:" are on another volume; everything else on "C:\".
struct FakeVolumes {
    std::atomic<uint64_t> freeC{kPlenty};
    std::atomic<uint64_t> freeD{kPlenty};
    std::atomic<int> asked{0};

    FreeSpaceProbe Probe() {
        return [this](const std::string& path) {
            ++asked;
            VolumeSpace space;
            space.known = true;
            const bool d = path.compare(0, 2, "D:") == 0;
            space.volume = d ? "D:\\" : "C:\\";
            space.freeBytes = d ? freeD.load() : freeC.load();
            return space;
        };
    }
};

TEST(DiskSpace, NeedsOnOneVolumeAddUpAndEachVolumeIsJudgedAlone) {
    FakeVolumes volumes;
    volumes.freeC = 1000;
    volumes.freeD = 5000;
    SpaceShortfall shortfall;
    // 600 + 500 on C: do not fit in 1000, though each would.
    EXPECT_TRUE(FindShortfall({{"C:\\a", 600}, {"c:\\b", 500}}, volumes.Probe(), &shortfall));
    EXPECT_EQ("C:\\", shortfall.volume);
    EXPECT_EQ(1100u, shortfall.needed);
    EXPECT_EQ(1000u, shortfall.freeBytes);
    EXPECT_EQ((std::vector<size_t>{0, 1}), shortfall.needs);
    // Spread over two volumes they fit; the one short names only its own need.
    EXPECT_FALSE(FindShortfall({{"C:\\a", 600}, {"D:\\b", 500}}, volumes.Probe(), &shortfall));
    EXPECT_TRUE(FindShortfall({{"C:\\a", 600}, {"D:\\b", 6000}}, volumes.Probe(), &shortfall));
    EXPECT_EQ("D:\\", shortfall.volume);
    EXPECT_EQ((std::vector<size_t>{1}), shortfall.needs);
    // Exactly the free bytes fit; an unknown size or a volume that cannot be asked is no need.
    EXPECT_FALSE(FindShortfall({{"C:\\a", 1000}, {"C:\\b", 0}}, volumes.Probe(), &shortfall));
    auto unknown = [](const std::string&) { return VolumeSpace(); };
    EXPECT_FALSE(FindShortfall({{"C:\\a", kPlenty}}, unknown, &shortfall));
}

TEST(DiskSpace, AFolderNotMadeYetIsAskedThroughItsNearestExistingFolder) {
    ULARGE_INTEGER root;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &root, nullptr, nullptr));
    const VolumeSpace space = FreeSpaceAt("C:\\no such folder\\nor this one\\Velmora\\");
    ASSERT_TRUE(space.known);
    EXPECT_EQ("C:\\", space.volume);
    // The same volume, asked a moment later: other writers may have moved it a little.
    const double ratio = static_cast<double>(space.freeBytes) / root.QuadPart;
    EXPECT_GT(ratio, 0.99);
    EXPECT_LT(ratio, 1.01);
    EXPECT_FALSE(FreeSpaceAt("Q:\\nothing here").known || FreeSpaceAt("").known);
}

TEST(DiskSpace, ByteSizesAreShownInMegabytesWithOneDecimalRoundedAsAsked) {
    EXPECT_EQ(L"120.5 MB", FormatByteSize(120 * 1048576ull + 524288));
    EXPECT_EQ(L"120.5 MB", FormatByteSize(120 * 1048576ull + 524288, Rounding::Down));
    EXPECT_EQ(L"1.0 MB", FormatByteSize(1048576));
    EXPECT_EQ(L"1 KB", FormatByteSize(1));
    EXPECT_EQ(L"0 KB", FormatByteSize(1023, Rounding::Down));
    EXPECT_EQ(L"1024 KB", FormatByteSize(1048575));
    // A need just above what is free never reads as the same figure.
    const uint64_t needed = 1162716;  // 1.108 MiB
    EXPECT_EQ(L"1.2 MB", FormatByteSize(needed));
    EXPECT_EQ(L"1.1 MB", FormatByteSize(needed - 1, Rounding::Down));
    EXPECT_EQ(L"1048576.0 MB", FormatByteSize(1ull << 40));
}

class DiskShortageTest : public DownloaderTest {
protected:
    std::string PreparePartial(const std::string& folder) {
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 7);
        std::string bytes = FetchPackage(kPkg).substr(0, kPartial);
        std::FILE* f = std::fopen((folder + "\\Setup.exe").c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        f = std::fopen((folder + "\\Setup.exe.cfg").c_str(), "w");
        std::fputs(" \"v1\"\r\n", f);
        std::fclose(f);
        TestServer::ClearRequests();
        return md5;
    }

    std::unique_ptr<CTinyDownload> Start(const std::string& folder, const std::string& md5,
                                         const std::function<void(CTinyDownload&)>& setUp) {
        auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), folder, md5));
        DownloadTiming timing = FastTiming();
        timing.spaceRecheckMs = 200;
        d->SetTiming(timing);
        d->SetFreeSpaceProbeForTesting(volumes_.Probe());
        setUp(*d);
        EXPECT_EQ(0, d->StartDownloadThread());
        return d;
    }

    FakeVolumes volumes_;
};

TEST_F(DiskShortageTest, ShortBeforeTheTransferWaitsWithTheFiguresAndGoesOnWhenThereIsRoom) {
    const std::string folder = Folder() + "\\before";
    const std::string md5 = PreparePartial(folder);
    // What is still to come plus the margin is one byte more than the volume has.
    const uint64_t needed = kSize - kPartial + kSpaceMarginBytes;
    volumes_.freeC = needed - 1;
    auto d = Start(folder, md5, [](CTinyDownload&) {});
    ASSERT_TRUE(WaitFor([&] { return d->GetDiskShortage().active; })) << log_.dump();
    DiskShortage shortage = d->GetDiskShortage();
    EXPECT_FALSE(shortage.duringTransfer);
    EXPECT_FALSE(shortage.installVolume);
    EXPECT_EQ("C:\\", shortage.volume);
    EXPECT_EQ(needed, shortage.needed);
    EXPECT_EQ(needed - 1, shortage.freeBytes);
    // It keeps asking, and asks nothing of the server meanwhile but the one length probe.
    const int asked = volumes_.asked;
    ASSERT_TRUE(WaitFor([&] { return volumes_.asked >= asked + 3; }));
    EXPECT_TRUE(d->GetDiskShortage().active);
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_EQ(1u, TestServer::RequestsFor("HEAD", kPkg).size());
    EXPECT_EQ(1,
              log_.countStartingWith("not enough disk space on C:\\: " + std::to_string(needed) +
                                         " bytes needed, " + std::to_string(needed - 1) + " free",
                                     "W/"));
    // Room comes without a word to the downloader: it goes on by itself.
    volumes_.freeC = needed;
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_FALSE(d->GetDiskShortage().active);
    EXPECT_EQ(md5, GetFileMD5(File("before\\Setup.exe").c_str()));
    // The partial bytes were kept: the only transfer asked for the rest.
    const std::vector<ServerRequest> gets = TestServer::RequestsFor("GET", kPkg);
    ASSERT_EQ(1u, gets.size());
    EXPECT_EQ("bytes=300000-", gets[0].range);
    EXPECT_EQ(kSize - static_cast<long long>(kPartial), gets[0].bytesSent);
}

TEST_F(DiskShortageTest, TheInstallFolderCountsOnItsOwnVolumeOrTogetherWithThePackage) {
    const std::string folder = Folder() + "\\install";
    const std::string md5 = PreparePartial(folder);
    const uint64_t rest = kSize - kPartial + kSpaceMarginBytes;
    // Another volume without room for the installed product: only that volume is named.
    volumes_.freeD = 10 << 20;
    auto d = Start(folder, md5,
                   [](CTinyDownload& d) { d.SetInstallSpace("D:\\Games\\Velmora\\", 20 << 20); });
    ASSERT_TRUE(WaitFor([&] { return d->GetDiskShortage().active; })) << log_.dump();
    DiskShortage shortage = d->GetDiskShortage();
    EXPECT_EQ("D:\\", shortage.volume);
    EXPECT_TRUE(shortage.installVolume);
    EXPECT_EQ(20u << 20, shortage.needed);
    // The Retry button asks at once instead of at the next regular check.
    volumes_.freeD = kPlenty;
    d->RecheckSpaceNow();
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); }, 10000)) << log_.dump();
    d.reset();

    // On the package's volume both needs add up: each alone would fit.
    PreparePartial(folder);
    volumes_.freeC = rest + (20 << 20) - 1;
    d = Start(folder, md5, [](CTinyDownload& d) { d.SetInstallSpace("C:\\Velmora\\", 20 << 20); });
    ASSERT_TRUE(WaitFor([&] { return d->GetDiskShortage().active; })) << log_.dump();
    shortage = d->GetDiskShortage();
    EXPECT_EQ("C:\\", shortage.volume);
    EXPECT_TRUE(shortage.installVolume);
    EXPECT_EQ(rest + (20 << 20), shortage.needed);
    EXPECT_TRUE(d->Stop(10000));
    EXPECT_EQ(static_cast<long long>(kPartial), FileSize(File("install\\Setup.exe")));
}

TEST_F(DiskShortageTest, ADiskThatFillsDuringTheTransferIsToldAndTheDownloadGoesOn) {
    const std::string folder = Folder() + "\\during";
    const std::string md5 = PreparePartial(folder);
    const std::string file = folder + "\\Setup.exe";
    const long long full = 600000;
    // Another program fills the volume while the package arrives: writes past 600000 bytes are
    // refused, and from then on the volume reports no room.
    std::atomic<bool> filled{false};
    std::atomic<bool> room{false};
    auto d = Start(folder, md5, [&](CTinyDownload& d) {
        d.SetDiskSpaceForTesting(full);
        d.SetFreeSpaceProbeForTesting([&](const std::string&) {
            VolumeSpace space;
            space.known = true;
            space.volume = "C:\\";
            space.freeBytes = !room && (filled || FileSize(file) >= full) ? 4096 : kPlenty;
            return space;
        });
    });
    ASSERT_TRUE(WaitFor([&] { return d->GetDiskShortage().active; })) << log_.dump();
    filled = true;
    const DiskShortage shortage = d->GetDiskShortage();
    EXPECT_TRUE(shortage.duringTransfer);
    EXPECT_EQ("C:\\", shortage.volume);
    EXPECT_EQ(4096u, shortage.freeBytes);
    EXPECT_EQ(static_cast<uint64_t>(kSize - full) + kSpaceMarginBytes, shortage.needed);
    EXPECT_EQ(1, log_.countStartingWith("the disk is full: not enough disk space on C:\\", "W/"));
    // It waits for room instead of asking the server again and again.
    Sleep(600);
    const size_t gets = TestServer::RequestsFor("GET", kPkg).size();
    Sleep(600);
    EXPECT_EQ(gets, TestServer::RequestsFor("GET", kPkg).size());
    EXPECT_TRUE(d->GetDiskShortage().duringTransfer);
    EXPECT_EQ(full, FileSize(file));
    // Room again: the download goes on from where the disk stopped it, and the message goes.
    d->SetDiskSpaceForTesting(UINT64_MAX);
    room = true;
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_FALSE(d->GetDiskShortage().active);
    EXPECT_EQ(md5, GetFileMD5(file.c_str()));
    EXPECT_EQ("bytes=600000-", TestServer::RequestsFor("GET", kPkg).back().range);
}

TEST_F(DownloaderTest, FailingAttemptsCountDownToTheNextAndTheFirstByteEndsTheWait) {
    const std::string md5 = TestServer::DefinePackage(kPkg, kSize, 3);
    // The host answers no probe three times, then serves the package.
    TestServer::Fault(kPkg, "answer=503&answer_to=head&answer_times=3");
    auto d = NewDownloader(MakeWork(TestServer::Url(kPkg), Folder(), md5));
    DownloadTiming timing = FastTiming();
    timing.firstRetryDelayMs = 700;
    timing.maxRetryDelayMs = 5000;
    d->SetTiming(timing);
    EXPECT_FALSE(d->GetRetryState().failing);
    ASSERT_EQ(0, d->StartDownloadThread());
    ASSERT_TRUE(WaitFor([&] { return d->GetRetryState().waiting; })) << log_.dump();
    const RetryState first = d->GetRetryState();
    EXPECT_TRUE(first.failing);
    EXPECT_GT(first.msLeft, 0u);
    EXPECT_LE(first.msLeft, 700u);
    // The second wait is twice as long; the count runs down within it.
    ASSERT_TRUE(WaitFor([&] { return d->GetRetryState().msLeft > 800; })) << log_.dump();
    const DWORD high = d->GetRetryState().msLeft;
    Sleep(300);
    const RetryState later = d->GetRetryState();
    EXPECT_TRUE(later.waiting);
    EXPECT_LT(later.msLeft, high);
    ASSERT_TRUE(WaitFor([&] { return d->IsFinished(); })) << log_.dump();
    EXPECT_FALSE(d->GetRetryState().failing);
    EXPECT_FALSE(d->GetDiskShortage().active);
}

}  // namespace
