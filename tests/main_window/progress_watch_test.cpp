// The progress thread's once-a-second pass without a window: what it shows while the download
// runs, waits or is paused, when it reports the percent steps, and what it sends at the end.
#include "installer/progress_watch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/text_convert.h"
#include "report/step_report.h"

namespace {
// Keeps what the watch shows and reports, one line each.
class RecordingSink : public ProgressSink {
public:
    std::vector<std::string> events;

    void RefreshDownloadTexts() override { events.push_back("texts"); }
    void ProgressValue(unsigned value) override {
        events.push_back("bar " + std::to_string(value));
    }
    void SpeedText(const std::wstring& text) override {
        events.push_back("speed " + NarrowUnits(text));
    }
    void PercentText(const std::wstring& text) override {
        events.push_back("percent " + NarrowUnits(text));
    }
    void Step(int step) override { events.push_back("step " + GetStepName(step)); }
    void SpeedReport(double transferBytes) override {
        events.push_back("speed report " + std::to_string(static_cast<long long>(transferBytes)));
    }
    void Obstacle(const DownloadObstacle& obstacle) override {
        events.push_back("obstacle " + std::to_string(static_cast<int>(obstacle.kind)) + " " +
                         WideToUtf8(obstacle.text));
    }

    // The step lines only, in order.
    std::vector<std::string> steps() const {
        std::vector<std::string> out;
        for (const std::string& e : events) {
            if (e.compare(0, 5, "step ") == 0) {
                out.push_back(e.substr(5));
            }
        }
        return out;
    }
};

DownloadInfo Info(uint64_t resumeFrom, double received, double total) {
    DownloadInfo info;
    std::memset(&info, 0, sizeof(info));
    info.resumeFrom = resumeFrom;
    info.received = received;
    info.totalLength = total;
    return info;
}

using Steps = std::vector<std::string>;

class ProgressWatchTest : public ::testing::Test {
protected:
    void SetUp() override { SpeedSampleCount = 1; }
    void TearDown() override { SpeedSampleCount = 1; }

    RecordingSink sink_;
    ProgressWatch watch_{sink_};
};
}  // namespace

TEST_F(ProgressWatchTest, RunningTransferShowsTextsBarSpeedAndPercentInThatOrder) {
    watch_.Pass(true, Info(0, 512000, 20480000));
    const std::vector<std::string> expected = {"texts", "bar 1", "speed 500KB/s", "percent 1%"};
    EXPECT_EQ(expected, sink_.events);
    EXPECT_EQ(2, SpeedSampleCount.load());
    // The next second's speed is the mean of both growths.
    sink_.events.clear();
    watch_.Pass(true, Info(0, 512000 + 3 * 1048576, 20480000));
    EXPECT_EQ("speed 1.7MB/s", sink_.events.at(2));
    EXPECT_EQ(3, SpeedSampleCount.load());
}

TEST_F(ProgressWatchTest, WaitingOrPausedShowsOnlyTheEmptySpeed) {
    watch_.Pass(false, Info(0, 0, 0));
    watch_.Pass(false, Info(1000, 500, 2000));  // a paused transfer's record is not shown
    const std::vector<std::string> expected = {"speed -- / --", "speed -- / --"};
    EXPECT_EQ(expected, sink_.events);
    EXPECT_EQ(1, SpeedSampleCount.load());
}

TEST_F(ProgressWatchTest, PercentStepsGoOutWhenReachedOrPassedOnceEach) {
    // Slowly: 1, 2, 3 ... each step at the first pass that shows its number.
    for (int p : {1, 2, 3, 49}) {
        watch_.Pass(true, Info(0, p * 1000.0, 70000));
        EXPECT_EQ(p >= 2 ? Steps{"Percent2"} : Steps{}, sink_.steps()) << p;
    }
    watch_.Pass(true, Info(0, 50000, 70000));
    watch_.Pass(true, Info(0, 51000, 70000));
    EXPECT_EQ((Steps{"Percent2", "Percent50"}), sink_.steps());

    // Fast: from 0 straight past 50 in one second, both in order.
    RecordingSink fast;
    ProgressWatch fastWatch(fast);
    fastWatch.Pass(true, Info(0, 0, 1000));
    fastWatch.Pass(true, Info(0, 900, 1000));
    fastWatch.Pass(true, Info(0, 950, 1000));
    EXPECT_EQ((Steps{"Percent2", "Percent50"}), fast.steps());

    // Resumed past 50: both at the first pass.
    RecordingSink resumed;
    ProgressWatch resumedWatch(resumed);
    resumedWatch.Pass(true, Info(800, 0, 1000));
    EXPECT_EQ((Steps{"Percent2", "Percent50"}), resumed.steps());
}

TEST_F(ProgressWatchTest, FinishSendsMissingStepsThenTheSpeedReportThenSetupDownloaded) {
    // Done before the first pass (a verified package already on disk): no speed text was
    // shown, so no speed report, but the bar went from 0 to full.
    watch_.Finish(Info(0, 0, 1000));
    EXPECT_EQ((Steps{"Percent2", "Percent50", "SetupDownloaded"}), sink_.steps());
    EXPECT_EQ(3u, sink_.events.size());

    // Passes that showed 40 %: Percent50 comes at the end, after it the speed report of the
    // transfer's bytes.
    RecordingSink seen;
    ProgressWatch watch(seen);
    watch.Pass(true, Info(0, 400, 700));
    seen.events.clear();
    watch.Finish(Info(0, 700, 700));
    const std::vector<std::string> expected = {"step Percent50", "speed report 700",
                                               "step SetupDownloaded"};
    EXPECT_EQ(expected, seen.events);
}

TEST_F(ProgressWatchTest, SpeedReportIsSkippedWhenTheLastAttemptShowedNoSpeed) {
    watch_.Pass(true, Info(0, 100, 1000));
    watch_.Pass(true, Info(0, 200, 1000));
    SpeedSampleCount = 1;  // a new attempt began and finished within the second
    watch_.Finish(Info(0, 1000, 1000));
    EXPECT_EQ("step SetupDownloaded", sink_.events.back());
    for (const std::string& e : sink_.events) {
        EXPECT_EQ(std::string::npos, e.find("speed report")) << e;
    }
}

namespace {
DiskShortage Shortage(const std::string& volume, uint64_t needed, uint64_t freeBytes) {
    DiskShortage shortage;
    shortage.active = true;
    shortage.volume = volume;
    shortage.needed = needed;
    shortage.freeBytes = freeBytes;
    return shortage;
}

RetryState Retry(bool waiting, DWORD msLeft) {
    RetryState retry;
    retry.failing = true;
    retry.waiting = waiting;
    retry.msLeft = msLeft;
    return retry;
}
}  // namespace

TEST(DownloadObstacleTexts, TheDiskComesFirstWithItsDriveAndFiguresInBothLanguages) {
    const DiskShortage shortage = Shortage("C:\\", 126353408, 20 << 20);
    DownloadObstacle obstacle = ObstacleFor(false, shortage, Retry(true, 5000));
    EXPECT_EQ(DownloadObstacle::Kind::DiskSpace, obstacle.kind);
    EXPECT_EQ(
        "Not enough disk space on drive C: (120.5 MB needed, 20.0 MB free). The download "
        "goes on by itself as soon as there is room.",
        WideToUtf8(obstacle.text));
    obstacle = ObstacleFor(true, shortage, RetryState());
    EXPECT_EQ(
        "\xE7\xA3\x81\xE7\x9B\x98 C: \xE7\xA9\xBA\xE9\x97\xB4\xE4\xB8\x8D\xE8\xB6\xB3"
        "\xEF\xBC\x9A\xE9\x9C\x80\xE8\xA6\x81 120.5 MB\xEF\xBC\x8C\xE5\x8F\xAF\xE7\x94\xA8 "
        "20.0 MB\xE3\x80\x82\xE7\xA9\xBA\xE5\x87\xBA\xE7\xA9\xBA\xE9\x97\xB4\xE5\x90\x8E"
        "\xEF\xBC\x8C\xE4\xB8\x8B\xE8\xBD\xBD\xE4\xBC\x9A\xE8\x87\xAA\xE5\x8A\xA8\xE7\xBB"
        "\xA7\xE7\xBB\xAD\xE3\x80\x82",
        WideToUtf8(obstacle.text));
    // A volume mounted in a folder keeps its path.
    obstacle = ObstacleFor(false, Shortage("C:\\Data\\", 1, 0), RetryState());
    EXPECT_NE(std::wstring::npos, obstacle.text.find(L"on drive C:\\Data\\ (1 KB needed, 0 KB"));
}

TEST(DownloadObstacleTexts, TheNetworkCountsWholeSecondsUpAndSaysWhenItTriesNow) {
    EXPECT_EQ(DownloadObstacle::Kind::None, ObstacleFor(false, DiskShortage(), RetryState()).kind);
    EXPECT_EQ("Waiting for the network, trying again in 12 s",
              WideToUtf8(ObstacleFor(false, DiskShortage(), Retry(true, 11001)).text));
    EXPECT_EQ("Waiting for the network, trying again in 1 s",
              WideToUtf8(ObstacleFor(false, DiskShortage(), Retry(true, 1)).text));
    EXPECT_EQ("Waiting for the network, trying again now",
              WideToUtf8(ObstacleFor(false, DiskShortage(), Retry(false, 0)).text));
    EXPECT_EQ(
        L"\x6B63\x5728\x7B49\x5F85\x7F51\x7EDC\xFF0C"
        L"30 \x79D2\x540E\x91CD\x8BD5",
        ObstacleFor(true, DiskShortage(), Retry(true, 30000)).text);
}

TEST_F(ProgressWatchTest, AnObstacleIsShownWhenItChangesAndGoesWithTheFirstByte) {
    const DownloadObstacle waiting = ObstacleFor(false, DiskShortage(), Retry(true, 3000));
    watch_.Pass(false, Info(0, 0, 0), waiting);
    watch_.Pass(false, Info(0, 0, 0), waiting);  // the same second again: nothing new
    watch_.Pass(false, Info(0, 0, 0), ObstacleFor(false, DiskShortage(), Retry(true, 2000)));
    watch_.Pass(true, Info(0, 100, 1000), DownloadObstacle());
    watch_.Pass(true, Info(0, 200, 1000), DownloadObstacle());
    const std::vector<std::string> expected = {
        "obstacle 2 Waiting for the network, trying again in 3 s",
        "speed -- / --",
        "speed -- / --",
        "obstacle 2 Waiting for the network, trying again in 2 s",
        "speed -- / --",
        "obstacle 0 ",
        "texts",
        "bar 7",
        "speed 0KB/s",
        "percent 7%",
        "step Percent2",
        "texts",
        "bar 14",
        "speed 0KB/s",
        "percent 14%"};
    EXPECT_EQ(expected, sink_.events);
}
