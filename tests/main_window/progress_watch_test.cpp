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
