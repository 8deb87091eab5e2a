#pragma once
// Owners of GDI handles (the handle owner of app/scoped_resource.h with GDI's traits) and
// scoped guards that put a DC back the way it was.
#include <windows.h>

#include <utility>

#include "app/scoped_resource.h"

namespace SkinUI {

// Any object freed with DeleteObject (bitmap, font, pen, brush, region).
template <class H>
struct GdiObjectTraits : NullIsNone<H> {
    static void Close(H handle) { DeleteObject(handle); }
};
template <class H>
using GdiObject = ScopedResource<GdiObjectTraits<H>>;

using BitmapHandle = GdiObject<HBITMAP>;
using FontHandle = GdiObject<HFONT>;
using PenHandle = GdiObject<HPEN>;
using BrushHandle = GdiObject<HBRUSH>;
using RegionHandle = GdiObject<HRGN>;

// A top-down 32-bit DIB section (BI_RGB) compatible with `like` (null: the screen), the one
// pixel surface the framework draws into. pixels points at its bits; null when none was made.
BitmapHandle CreatePixelBitmap(HDC like, int cx, int cy, DWORD** pixels);

// A window's DC from GetDC (null window: the screen's), given back with ReleaseDC.
class WindowDC {
public:
    WindowDC() = default;
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() { reset(); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    // Gives the DC back; with a window, takes that window's DC (kept until the next reset).
    void reset(HWND window = nullptr) {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
        window_ = window;
        dc_ = window != nullptr ? GetDC(window) : nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// A memory DC from CreateCompatibleDC, freed with DeleteDC.
class MemoryDC {
public:
    MemoryDC() = default;
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() { reset(); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&& other) noexcept {
        if (this != &other) {
            reset();
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void reset() {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
            dc_ = nullptr;
        }
    }

private:
    HDC dc_ = nullptr;
};

// Selects an object into a DC and selects the previous one back when it ends.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_ != nullptr) {
            SelectObject(dc_, old_);
        }
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC/RestoreDC pair.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : dc_(dc), id_(dc != nullptr ? SaveDC(dc) : 0) {}
    ~SavedDCState() {
        if (id_ != 0) {
            RestoreDC(dc_, id_);
        }
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int id_;
};

}  // namespace SkinUI
