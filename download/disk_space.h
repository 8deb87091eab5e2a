#pragma once
// Free space on the volumes a download and its install write to, and what a shortage looks like
// to those who tell the user about it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Kept free beyond the bytes still to come: the sidecar, the folder entries, the log.
constexpr uint64_t kSpaceMarginBytes = 1 << 20;

struct VolumeSpace {
    std::string volume;      // the volume's root as the user knows it ("C:\"); "" when unknown
    uint64_t freeBytes = 0;  // free to this user (quotas count)
    bool known = false;      // false when the volume could not be asked
};

// The volume that holds path and its free bytes. The path need not exist yet: its nearest
// existing folder is asked.
VolumeSpace FreeSpaceAt(const std::string& path);

// Bytes one folder must be able to take.
struct SpaceNeed {
    std::string folder;
    uint64_t bytes = 0;
};

// One volume that cannot take what is asked of it.
struct SpaceShortfall {
    std::string volume;
    uint64_t needed = 0;
    uint64_t freeBytes = 0;
    std::vector<size_t> needs;  // the indexes of the needs that fall on it
};

using FreeSpaceProbe = std::function<VolumeSpace(const std::string& path)>;

// Adds the needs of folders on the same volume together and compares each volume's sum with
// its free bytes; the first volume short of room, or none. A volume that cannot be asked is not
// held against the download (the writes then tell).
bool FindShortfall(const std::vector<SpaceNeed>& needs, const FreeSpaceProbe& probe,
                   SpaceShortfall* shortfall);

// "120.5 MB" for a byte count, MiB with one decimal (KB below 1 MiB), rounded up or down: a
// need rounded up and the free bytes rounded down never read the same.
enum class Rounding { Up, Down };
std::wstring FormatByteSize(uint64_t bytes, Rounding rounding = Rounding::Up);
