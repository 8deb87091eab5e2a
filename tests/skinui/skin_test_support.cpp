#include "tests/skinui/skin_test_support.h"

#include <algorithm>
#include <cstdlib>

#include "skinui/core/file_bytes.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/ui_settings.h"
#include "tools/skinpreview/png_writer.h"

namespace SkinTest {

namespace {

// The tests' own pictures are files named without a resource type.
bool ReadTestImage(const wchar_t* name, std::vector<unsigned char>& bytes) {
    return SkinUI::ReadWholeFile(name, 16 * 1024 * 1024, bytes) == SkinUI::FileReadResult::kOk;
}

}  // namespace

Dib::Dib(int width, int height, DWORD sentinel) : width_(width), height_(height), dc_(nullptr) {
    bitmap_ = SkinUI::CreatePixelBitmap(nullptr, width, height, &pixels_);
    old_ = SelectObject(dc_.get(), bitmap_.get());
    Fill(sentinel);
}

Dib::~Dib() {
    SelectObject(dc_.get(), old_);
}

void Dib::Fill(DWORD value) {
    GdiFlush();
    std::fill(pixels_, pixels_ + width_ * height_, value);
}

DWORD Dib::At(int x, int y) const {
    GdiFlush();
    return pixels_[y * width_ + x];
}

std::wstring WritePngFile(const std::wstring& name, int width, int height,
                          const std::function<DWORD(int, int)>& pixel) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            DWORD c = pixel(x, y);
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(c >> 16);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c);
            p[3] = static_cast<std::uint8_t>(c >> 24);
        }
    }
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"\\" + name;
    SkinPreview::WritePng(path, rgba, width, height);
    SkinUI::SetUntypedImageSource(ReadTestImage);
    return path;
}

int ColorDistance(DWORD a, DWORD b) {
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                 static_cast<int>((b >> shift) & 0xFF)));
    }
    return d;
}

TestContainer::~TestContainer() {
    for (SkinUI::CControlUI* child : children) {
        delete child;
    }
}

void TestContainer::Add(SkinUI::CControlUI* child) {
    children.push_back(child);
    if (manager_ != nullptr) {
        manager_->BindControls(child, this);
    }
}

void TestContainer::SetManager(SkinUI::CUIManager* manager, SkinUI::IControlUI* parent, bool init) {
    for (SkinUI::CControlUI* child : children) {
        child->SetManager(manager, this, init);
    }
    SkinUI::CControlUI::SetManager(manager, parent, init);
}

void TestContainer::SetPos(RECT rect) {
    SkinUI::CControlUI::SetPos(rect);
    for (SkinUI::CControlUI* child : children) {
        SIZE pos = child->GetFixedPos();
        RECT r = {rect.left + pos.cx, rect.top + pos.cy,
                  rect.left + pos.cx + child->GetFixedWidth(),
                  rect.top + pos.cy + child->GetFixedHeight()};
        child->SetPos(r);
    }
}

SkinUI::CControlUI* TestContainer::FindControl(SkinUI::FindControlProc visitor, void* data,
                                               unsigned flags) {
    if ((flags & SkinUI::UIFIND_VISIBLE) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((flags & SkinUI::UIFIND_ENABLED) != 0 && !IsEnabled()) {
        return nullptr;
    }
    if ((flags & SkinUI::UIFIND_HITTEST) != 0 &&
        !PtInRect(&itemRect_, *static_cast<POINT*>(data))) {
        return nullptr;
    }
    if ((flags & SkinUI::UIFIND_ME_FIRST) != 0) {
        if (SkinUI::CControlUI* found = SkinUI::CControlUI::FindControl(visitor, data, flags)) {
            return found;
        }
    }
    auto visit = [&](SkinUI::CControlUI* child) {
        return child->FindControl(visitor, data, flags);
    };
    if ((flags & SkinUI::UIFIND_TOP_FIRST) != 0) {
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (SkinUI::CControlUI* found = visit(*it)) {
                return found;
            }
        }
    } else {
        for (SkinUI::CControlUI* child : children) {
            if (SkinUI::CControlUI* found = visit(child)) {
                return found;
            }
        }
    }
    if ((flags & SkinUI::UIFIND_ME_FIRST) == 0) {
        return SkinUI::CControlUI::FindControl(visitor, data, flags);
    }
    return nullptr;
}

void TestContainer::Paint(HDC dc, const RECT& dirty) {
    SkinUI::CControlUI::Paint(dc, dirty);
    for (SkinUI::CControlUI* child : children) {
        if (child->IsVisible()) {
            child->Paint(dc, dirty);
        }
    }
}

int ProbeControl::Count(int kind) const {
    return static_cast<int>(std::count(kinds.begin(), kinds.end(), kind));
}

std::vector<WPARAM> ProbeControl::WParams(int kind) const {
    std::vector<WPARAM> values;
    for (const SkinUI::ControlEvent& event : events) {
        if (event.kind == kind) {
            values.push_back(event.wParam);
        }
    }
    return values;
}

SkinUI::CControlUI* Place(SkinUI::CControlUI* control, int x, int y, int cx, int cy) {
    control->SetFixedPos(SIZE{x, y});
    control->SetFixedWidth(cx);
    control->SetFixedHeight(cy);
    return control;
}

}  // namespace SkinTest
