#include "download/disk_space.h"

#include <windows.h>

#include <cstdio>

#include "app/ansi_path.h"

namespace {
// Upper-case ASCII only: a double-byte character is left as it is.
std::string FoldCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}
}  // namespace

VolumeSpace FreeSpaceAt(const std::string& path) {
    VolumeSpace space;
    // The nearest folder that exists: an install folder is often not made yet.
    std::string folder = path;
    for (;;) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            break;
        }
        std::string trimmed = folder;
        while (EndsWithAnsiPathSeparator(trimmed)) {
            trimmed.pop_back();
        }
        const size_t slash = LastAnsiPathSeparator(trimmed);
        if (slash == std::string::npos || trimmed.empty()) {
            return space;
        }
        folder = trimmed.substr(0, slash + 1);
    }
    if (!EndsWithAnsiPathSeparator(folder)) {
        folder += '\\';
    }
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) {
        return space;
    }
    char root[MAX_PATH];
    space.volume = GetVolumePathNameA(folder.c_str(), root, MAX_PATH) ? root : folder.substr(0, 3);
    space.freeBytes = available.QuadPart;
    space.known = true;
    return space;
}

bool FindShortfall(const std::vector<SpaceNeed>& needs, const FreeSpaceProbe& probe,
                   SpaceShortfall* shortfall) {
    std::vector<SpaceShortfall> volumes;
    for (size_t i = 0; i < needs.size(); ++i) {
        const SpaceNeed& need = needs[i];
        if (need.bytes == 0 || need.folder.empty()) {
            continue;
        }
        const VolumeSpace space = probe(need.folder);
        if (!space.known) {
            continue;
        }
        bool added = false;
        for (SpaceShortfall& volume : volumes) {
            if (FoldCase(volume.volume) == FoldCase(space.volume)) {
                volume.needed += need.bytes;
                volume.needs.push_back(i);
                added = true;
            }
        }
        if (!added) {
            volumes.push_back(SpaceShortfall{space.volume, need.bytes, space.freeBytes, {i}});
        }
    }
    for (const SpaceShortfall& volume : volumes) {
        if (volume.needed > volume.freeBytes) {
            *shortfall = volume;
            return true;
        }
    }
    return false;
}

std::wstring FormatByteSize(uint64_t bytes, Rounding rounding) {
    wchar_t text[64];
    const bool up = rounding == Rounding::Up;
    if (bytes < (1u << 20)) {
        const uint64_t kb = (bytes + (up ? 1023 : 0)) / 1024;
        std::swprintf(text, 64, L"%u KB", static_cast<unsigned>(kb));
    } else {
        // Tenths of a MiB, in whole numbers so that the rounding is exact.
        const uint64_t scaled = bytes * 10;
        uint64_t tenths = scaled >> 20;
        if (up && (scaled & ((1u << 20) - 1)) != 0) {
            ++tenths;
        }
        std::swprintf(text, 64, L"%u.%u MB", static_cast<unsigned>(tenths / 10),
                      static_cast<unsigned>(tenths % 10));
    }
    return text;
}
