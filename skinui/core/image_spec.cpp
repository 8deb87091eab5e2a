#include "skinui/core/image_spec.h"

#include <algorithm>
#include <cwchar>
#include <string>

#include "skinui/core/coordinates.h"
#include "skinui/core/dpi_scale.h"

namespace SkinUI {

namespace {

// Border widths are never negative.
RECT ParseCorners(const std::wstring& value) {
    RECT r = ParseRect(value.c_str());
    return RECT{std::max(r.left, 0L), std::max(r.top, 0L), std::max(r.right, 0L),
                std::max(r.bottom, 0L)};
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

class SpecParser {
public:
    SpecParser(const RECT& control, int dpi, std::vector<ImageDrawSettings>& out)
        : control_(control), dpi_(dpi), out_(out) {
        settings_.dest = control;
    }

    // A plain modifier (no '=') leaves the image name as it is.
    void Parse(const wchar_t* spec, bool modifier) {
        if (spec == nullptr || *spec == 0) {
            return;
        }
        counter_ = 0;
        if (std::wcschr(spec, L'=') == nullptr) {
            if (!modifier) {
                settings_.name = spec;
                collected_ = true;
            }
            return;
        }
        const wchar_t* p = spec;
        while (*p != 0) {
            while (IsBlank(*p)) {
                ++p;
            }
            std::wstring key;
            while (*p != 0 && *p != L'=' && !IsBlank(*p)) {
                key += *p++;
            }
            while (IsBlank(*p)) {
                ++p;
            }
            if (*p != L'=') {
                return;
            }
            ++p;
            while (IsBlank(*p)) {
                ++p;
            }
            if (*p != L'\'') {
                return;
            }
            ++p;
            const wchar_t* close = std::wcschr(p, L'\'');
            if (close == nullptr) {
                return;
            }
            std::wstring value(p, close);
            p = close + 1;
            if (!value.empty()) {
                Apply(key, value);
            }
            if (*p != L' ') {
                return;
            }
            ++p;
        }
    }

    void Finish() {
        if (collected_ && !settings_.name.empty()) {
            out_.push_back(settings_);
        }
    }

private:
    void DrawCollectedIfAny() {
        if (counter_ > 0) {
            Finish();
            counter_ = 0;
        }
    }

    void Apply(const std::wstring& key, const std::wstring& value) {
        if (key == L"file" || key == L"res" || key == L"restype") {
            DrawCollectedIfAny();
            collected_ = true;
            if (key == L"restype") {
                settings_.type = value;
                ++counter_;
            } else {
                settings_.name = value;
                if (key == L"file") {
                    settings_.type.clear();
                    ++counter_;
                }
            }
        } else if (key == L"dest") {
            const RECT r = ScaleRectByDpi(ParseRect(value.c_str()), dpi_);
            const long long left = control_.left, top = control_.top;
            settings_.dest.left = ClampCoord(left + r.left);
            settings_.dest.top = ClampCoord(top + r.top);
            settings_.dest.right = ClampCoord(std::min<long long>(control_.right, left + r.right));
            settings_.dest.bottom =
                ClampCoord(std::min<long long>(control_.bottom, top + r.bottom));
        } else if (key == L"source") {
            settings_.source = ParseRect(value.c_str());
        } else if (key == L"corner") {
            settings_.corner = ParseCorners(value);
        } else if (key == L"mask") {
            settings_.mask = ParseHexColor(value.c_str());
        } else if (key == L"fade") {
            long fade = std::wcstol(value.c_str(), nullptr, 10);
            settings_.fade = static_cast<BYTE>(std::clamp(fade, 0L, 255L));
        } else if (key == L"hole") {
            settings_.hole = value == L"true";
        } else if (key == L"xtiled") {
            settings_.xtiled = value == L"true";
        } else if (key == L"ytiled") {
            settings_.ytiled = value == L"true";
        }
    }

    RECT control_;
    int dpi_;
    std::vector<ImageDrawSettings>& out_;
    ImageDrawSettings settings_;
    int counter_ = 0;
    bool collected_ = false;
};

}  // namespace

DWORD ParseHexColor(const wchar_t* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text == L' ' || *text == L'#') {
        ++text;
    }
    return static_cast<DWORD>(std::wcstoul(text, nullptr, 16));
}

std::vector<ImageDrawSettings> ParseImageSpecs(const wchar_t* spec, const wchar_t* modifier,
                                               const RECT& control, int dpi) {
    std::vector<ImageDrawSettings> images;
    SpecParser parser(control, dpi, images);
    parser.Parse(spec, false);
    parser.Parse(modifier, true);
    parser.Finish();
    return images;
}

}  // namespace SkinUI
