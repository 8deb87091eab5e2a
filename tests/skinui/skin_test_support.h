#pragma once
// Helpers of the skinned UI tests: a 32-bit DIB to paint into, PNG files made on the fly and a
// minimal container that owns and places its children.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skinui/controls/control.h"
#include "skinui/core/gdi_handles.h"

namespace SkinTest {

// A top-down 32-bit DIB selected into a memory DC.
class Dib {
public:
    Dib(int width, int height, DWORD sentinel = 0xFF123456);
    ~Dib();
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    HDC dc() const { return dc_.get(); }
    void Fill(DWORD value);
    // 0xAARRGGBB as stored.
    DWORD At(int x, int y) const;
    DWORD Rgb(int x, int y) const { return At(x, y) & 0xFFFFFF; }
    int width() const { return width_; }
    int height() const { return height_; }
    RECT rect() const { return RECT{0, 0, width_, height_}; }

private:
    int width_;
    int height_;
    SkinUI::MemoryDC dc_;
    SkinUI::BitmapHandle bitmap_;
    HGDIOBJ old_ = nullptr;
    DWORD* pixels_ = nullptr;
};

// Writes a PNG whose pixel (x, y) is pixel(x, y) as 0xAARRGGBB (not premultiplied) and returns
// its full path; from then on the framework reads images named without a resource type from
// the tests' files.
std::wstring WritePngFile(const std::wstring& name, int width, int height,
                          const std::function<DWORD(int, int)>& pixel);

// Channel distance of two colours (largest of the R, G, B differences).
int ColorDistance(DWORD a, DWORD b);

// A container that owns its children and places each at its fixed position and size inside
// its own rectangle; enough of a tree for the manager's tests.
class TestContainer : public SkinUI::CControlUI {
public:
    ~TestContainer() override;
    void Add(SkinUI::CControlUI* child);
    void SetManager(SkinUI::CUIManager* manager, SkinUI::IControlUI* parent,
                    bool init = true) override;
    void SetPos(RECT rect) override;
    SkinUI::CControlUI* FindControl(SkinUI::FindControlProc visitor, void* data,
                                    unsigned flags) override;
    void Paint(HDC dc, const RECT& dirty) override;
    std::vector<SkinUI::CControlUI*> children;
};

// A control that takes tab focus and records the kinds of events it gets.
class ProbeControl : public SkinUI::CControlUI {
public:
    unsigned GetInputFlags() const override { return SkinUI::UIFLAG_TABSTOP; }
    void HandleEvent(SkinUI::ControlEvent& event) override {
        kinds.push_back(event.kind);
        events.push_back(event);
        SkinUI::CControlUI::HandleEvent(event);
    }
    int Count(int kind) const;
    // The wParam of each event of that kind, in order.
    std::vector<WPARAM> WParams(int kind) const;
    std::vector<int> kinds;
    std::vector<SkinUI::ControlEvent> events;
};

SkinUI::CControlUI* Place(SkinUI::CControlUI* control, int x, int y, int cx, int cy);

}  // namespace SkinTest
