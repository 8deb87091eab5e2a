#include "skinui/core/dpi_scale.h"
#include "skinui/core/gdi_handles.h"

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
    WindowDC screen(nullptr);
    const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi >= 48 && dpi <= 960 ? dpi : kDefaultDpi;
}

}  // namespace SkinUI
