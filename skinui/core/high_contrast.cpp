#include "skinui/core/high_contrast.h"

#include <atomic>

namespace SkinUI {

namespace {
std::atomic<int> g_forced{-1};
std::atomic<int> g_system{-1};  // -1 not read yet

bool ReadSystem() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
}  // namespace

bool IsHighContrastOn() {
    const int forced = g_forced.load();
    if (forced >= 0) {
        return forced != 0;
    }
    int system = g_system.load();
    if (system < 0) {
        system = ReadSystem() ? 1 : 0;
        g_system = system;
    }
    return system != 0;
}

void RefreshHighContrast() {
    g_system = ReadSystem() ? 1 : 0;
}

void SetHighContrastForTesting(int state) {
    g_forced = state < 0 ? -1 : (state != 0 ? 1 : 0);
}

DWORD SystemColor(int index) {
    const COLORREF c = GetSysColor(index);
    return 0xFF000000u | (static_cast<DWORD>(GetRValue(c)) << 16) |
           (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
}

}  // namespace SkinUI
