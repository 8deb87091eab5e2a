#include "installer/progress_watch.h"

#include "app/log.h"
#include "report/step_report.h"

namespace {
const char kTag[] = "CMainFrame";
}  // namespace

void ProgressWatch::Pass(bool downloading, const DownloadInfo& info) {
    Pass(downloading, info, DownloadObstacle());
}

void ProgressWatch::Pass(bool downloading, const DownloadInfo& info,
                         const DownloadObstacle& obstacle) {
    if (obstacle != obstacle_) {
        obstacle_ = obstacle;
        sink_.Obstacle(obstacle_);
    }
    if (!downloading) {
        sink_.SpeedText(kNoSpeed);
        return;
    }
    sink_.RefreshDownloadTexts();
    const double current = info.received;
    LogT(kTag, "CurDownloadLen=", static_cast<unsigned long long>(current), ", TotalLen=",
         static_cast<unsigned long long>(info.totalLength > 0 ? info.totalLength : 0));
    sink_.ProgressValue(DownloadBarValue(info));
    samples_.Add(current - previous_);
    sink_.SpeedText(FormatSpeedText(samples_.Average()));
    ++SpeedSampleCount;
    const int percent = DownloadPercent(info);
    sink_.PercentText(PercentText(percent));
    ReportPercentSteps(percent);
    previous_ = current;
}

void ProgressWatch::Finish(const DownloadInfo& info) {
    ReportPercentSteps(kDownloadShare);
    if (SpeedSampleCount != 1) {
        sink_.SpeedReport(info.received);
    }
    sink_.Step(kStepSetupDownloaded);
}

void ProgressWatch::ReportPercentSteps(int percent) {
    if (percent >= 2 && percent2Pending_) {
        sink_.Step(kStepPercent2);
        percent2Pending_ = false;
    }
    if (percent >= 50 && percent50Pending_) {
        sink_.Step(kStepPercent50);
        percent50Pending_ = false;
    }
}
