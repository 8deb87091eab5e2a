#pragma once
// The progress thread's once-a-second look at the download: bar, percent and speed texts, the
// Percent2 and Percent50 steps, and once the download is done the speed report and the
// SetupDownloaded step. Everything it shows or reports goes through a sink, so the passes run
// the same with the main window or without one.
#include <string>

#include "download/tiny_download.h"
#include "installer/progress_texts.h"

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Shows the "downloading" texts (pause button, status); only asked while a transfer runs.
    virtual void RefreshDownloadTexts() = 0;
    virtual void ProgressValue(unsigned value) = 0;  // the bar, 0 to 70
    virtual void SpeedText(const std::wstring& text) = 0;
    virtual void PercentText(const std::wstring& text) = 0;
    virtual void Step(int step) = 0;  // a usage step, with the time since the last one
    virtual void SpeedReport(double transferBytes) = 0;
    // What stands in the download's way changed (kind None: nothing any more).
    virtual void Obstacle(const DownloadObstacle&) {}
};

class ProgressWatch {
public:
    static constexpr wchar_t kNoSpeed[] = L"-- / --";

    explicit ProgressWatch(ProgressSink& sink) : sink_(sink) {}

    // One pass. While a transfer runs (downloading), info is the latest copy of the progress
    // record: refresh the texts, show bar, speed and percent, count the speed text in
    // SpeedSampleCount and report Percent2 and Percent50 the first time the percent shown
    // reaches or passes them. Otherwise (before the first transfer, between attempts, paused)
    // only "-- / --" is shown.
    void Pass(bool downloading, const DownloadInfo& info);
    // The same, and what stands in the download's way: shown when it changes, until the first
    // byte of a transfer takes the network's place (the disk's goes when the downloader says so).
    void Pass(bool downloading, const DownloadInfo& info, const DownloadObstacle& obstacle);
    // The download is complete (the bar is full): the percent steps not reported yet, the speed
    // report of info's transfer (skipped when no speed text was shown since the last attempt
    // began), then SetupDownloaded.
    void Finish(const DownloadInfo& info);

private:
    void ReportPercentSteps(int percent);

    ProgressSink& sink_;
    SpeedSamples samples_;
    double previous_ = 0.0;
    bool percent2Pending_ = true;
    bool percent50Pending_ = true;
    DownloadObstacle obstacle_;
};
