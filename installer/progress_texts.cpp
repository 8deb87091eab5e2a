#include "installer/progress_texts.h"

#include <cstdio>
#include <cwchar>

#include "app/text_convert.h"
#include "download/disk_space.h"
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

std::wstring DiskSpaceText(bool chinese, const std::wstring& volume, uint64_t needed,
                           uint64_t freeBytes) {
    const std::wstring need = FormatByteSize(needed);
    const std::wstring have = FormatByteSize(freeBytes, Rounding::Down);
    if (chinese) {
        // 磁盘 C:\ 空间不足：需要 N，可用 M。空出空间后，下载会自动继续。
        return L"\x78C1\x76D8 " + volume + L" \x7A7A\x95F4\x4E0D\x8DB3\xFF1A\x9700\x8981 " + need +
               L"\xFF0C\x53EF\x7528 " + have +
               L"\x3002\x7A7A\x51FA\x7A7A\x95F4\x540E\xFF0C\x4E0B\x8F7D\x4F1A\x81EA"
               L"\x52A8\x7EE7\x7EED\x3002";
    }
    return L"Not enough disk space on drive " + volume + L" (" + need + L" needed, " + have +
           L" free). The download goes on by itself as soon as there is room.";
}

std::wstring NetworkWaitText(bool chinese, bool waiting, uint32_t msLeft) {
    wchar_t text[128];
    const unsigned seconds = (msLeft + 999) / 1000;
    if (chinese) {
        // 正在等待网络，N 秒后重试 / 正在等待网络，正在重试
        if (waiting) {
            std::swprintf(text, 128,
                          L"\x6B63\x5728\x7B49\x5F85\x7F51\x7EDC\xFF0C%u "
                          L"\x79D2\x540E\x91CD\x8BD5",
                          seconds);
        } else {
            std::swprintf(text, 128,
                          L"\x6B63\x5728\x7B49\x5F85\x7F51\x7EDC\xFF0C"
                          L"\x6B63\x5728\x91CD\x8BD5");
        }
    } else if (waiting) {
        std::swprintf(text, 128, L"Waiting for the network, trying again in %u s", seconds);
    } else {
        std::swprintf(text, 128, L"Waiting for the network, trying again now");
    }
    return text;
}

DownloadObstacle ObstacleFor(bool chinese, const DiskShortage& shortage, const RetryState& retry) {
    DownloadObstacle obstacle;
    if (shortage.active) {
        obstacle.kind = DownloadObstacle::Kind::DiskSpace;
        obstacle.installVolume = shortage.installVolume;
        // "C:" as people write a drive; another volume (a mounted folder) as its path.
        std::wstring volume = AnsiToWide(shortage.volume);
        if (volume.size() == 3 && volume[1] == L':' && volume[2] == L'\\') {
            volume.resize(2);
        }
        obstacle.text = DiskSpaceText(chinese, volume, shortage.needed, shortage.freeBytes);
    } else if (retry.failing) {
        obstacle.kind = DownloadObstacle::Kind::Network;
        obstacle.text = NetworkWaitText(chinese, retry.waiting, retry.msLeft);
    }
    return obstacle;
}
