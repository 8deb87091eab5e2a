#pragma once
// What the download progress display shows: the bar value and percent (the download fills 0 to
// 70), the mean speed of the last seconds and its text.
#include <cstdint>
#include <deque>
#include <string>

struct DownloadInfo;

// Part of the bar the download covers.
constexpr int kDownloadShare = 70;

// Bar value for the bytes done (resumed part plus this transfer): done / total x 70, truncated,
// kept within 0 to 70; 0 while the total length is unknown.
unsigned DownloadBarValue(const DownloadInfo& info);
// The same number as the percent label shows it (done x 70 / total, truncated).
int DownloadPercent(const DownloadInfo& info);

// "%d%%" of a value.
std::wstring PercentText(int percent);

// Bytes per second as shown: "%.1fMB/s" above 1 MiB/s, "%.0fKB/s" otherwise.
std::wstring FormatSpeedText(uint64_t bytesPerSecond);

// Bytes received in each of the last (at most 5) seconds.
class SpeedSamples {
public:
    static constexpr size_t kMaxSamples = 5;

    // Adds the growth since the previous second; a negative one (a new transfer attempt
    // started from 0) is left out.
    void Add(double delta);
    // Mean of the samples in bytes per second (integer division); 0 without samples.
    uint64_t Average() const;
    size_t size() const { return samples_.size(); }

private:
    std::deque<uint32_t> samples_;
};
