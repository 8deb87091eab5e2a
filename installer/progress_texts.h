#pragma once
// What the download progress display shows: the bar value and percent (the download fills 0 to
// 70), the mean speed of the last seconds and its text.
#include <cstdint>
#include <deque>
#include <string>

struct DownloadInfo;
struct DiskShortage;
struct RetryState;

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

// What stands in the download's way, as the progress page says it: a volume without room, or
// attempts that fail one after the other (told with the seconds to the next one).
struct DownloadObstacle {
    enum class Kind { None, DiskSpace, Network };
    Kind kind = Kind::None;
    bool installVolume = false;  // a disk shortage the install folder is part of
    std::wstring text;

    bool operator==(const DownloadObstacle& other) const {
        return kind == other.kind && installVolume == other.installVolume && text == other.text;
    }
    bool operator!=(const DownloadObstacle& other) const { return !(*this == other); }
};

// "Not enough disk space on drive C:\ ..." with the figures, in the user's language.
std::wstring DiskSpaceText(bool chinese, const std::wstring& volume, uint64_t needed,
                           uint64_t freeBytes);
// The wait for the network: the whole seconds left (rounded up) while the pause before the next
// attempt runs, "now" while an attempt is under way.
std::wstring NetworkWaitText(bool chinese, bool waiting, uint32_t msLeft);
// The disk first (nothing moves without room), then the network.
DownloadObstacle ObstacleFor(bool chinese, const DiskShortage& shortage, const RetryState& retry);
