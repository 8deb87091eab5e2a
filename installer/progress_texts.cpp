#include "installer/progress_texts.h"

#include <cstdio>

#include "download/tiny_download.h"

namespace {
double DoneBytes(const DownloadInfo& info) {
    return static_cast<double>(info.resumeFrom) + info.received;
}
}  // namespace

unsigned DownloadBarValue(const DownloadInfo& info) {
    if (!(info.totalLength > 0)) {
        return 0;
    }
    const double value = DoneBytes(info) / info.totalLength * kDownloadShare;
    if (!(value > 0)) {
        return 0;
    }
    return value >= kDownloadShare ? kDownloadShare : static_cast<unsigned>(value);
}

int DownloadPercent(const DownloadInfo& info) {
    if (!(info.totalLength > 0)) {
        return 0;
    }
    const double value = DoneBytes(info) * kDownloadShare / info.totalLength;
    if (!(value > 0)) {
        return 0;
    }
    return value >= kDownloadShare ? kDownloadShare : static_cast<int>(value);
}

std::wstring PercentText(int percent) {
    char text[32];
    std::snprintf(text, sizeof(text), "%d%%", percent);
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::wstring FormatSpeedText(uint64_t bytesPerSecond) {
    char text[512];
    const double average = static_cast<double>(bytesPerSecond);
    if (bytesPerSecond > 1048576) {
        std::snprintf(text, sizeof(text), "%.1fMB/s", average / 1024 / 1024);
    } else {
        std::snprintf(text, sizeof(text), "%.0fKB/s", average / 1024);
    }
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

void SpeedSamples::Add(double delta) {
    if (!(delta >= 0)) {
        return;
    }
    samples_.push_back(delta >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(delta));
    if (samples_.size() > kMaxSamples) {
        samples_.pop_front();
    }
}

uint64_t SpeedSamples::Average() const {
    if (samples_.empty()) {
        return 0;
    }
    uint64_t sum = 0;
    for (uint32_t s : samples_) {
        sum += s;
    }
    return sum / samples_.size();
}
