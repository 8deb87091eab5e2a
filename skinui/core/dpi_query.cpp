#include "skinui/core/dpi_scale.h"

namespace SkinUI {

int QueryWindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    // Windows 10 1607 and later only: looked up, never imported (the program starts on XP).
    static const GetDpiForWindowFunction getDpiForWindow = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        FARPROC proc = user32 != nullptr ? GetProcAddress(user32, "GetDpiForWindow") : nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
        return reinterpret_cast<GetDpiForWindowFunction>(proc);
#pragma GCC diagnostic pop
    }();
    if (window != nullptr && getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi >= 48 && dpi <= 960) {
            return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi >= 48 && dpi <= 960 ? dpi : kDefaultDpi;
}

}  // namespace SkinUI
