// The layout mode of skinpreview: builds a layout document with the real layout builder into a
// hidden window, lays it out and paints it as WM_PAINT would. Several frames, each a fresh build
// with its own pointer or focus actions, are stacked under captions in one picture.
#include "tools/skinpreview/layout_mode.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/window_wnd.h"
#include "tools/skinpreview/canvas.h"

namespace SkinPreview {

namespace {

constexpr int kCaptionHeight = 20;
constexpr DWORD kCaptionBackground = 0xFF303030;

class PreviewWindow : public SkinUI::CWindowWnd {
public:
    SkinUI::CUIManager manager;

protected:
    const wchar_t* WindowClassName() const override { return L"SkinPreviewWindow"; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            manager.AttachWindow(window_);
        }
        LRESULT result = 0;
        if (manager.OnWindowMessage(message, wParam, lParam, result)) {
            return result;
        }
        return CWindowWnd::OnMessage(message, wParam, lParam);
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!SkinUI::CUIManager::TranslateQueuedMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

bool IsNumber(const wchar_t* text) {
    if (*text == 0) {
        return false;
    }
    for (; *text != 0; ++text) {
        if (!std::iswdigit(*text)) {
            return false;
        }
    }
    return true;
}

LPARAM CentreOf(SkinUI::CControlUI* control) {
    const RECT& r = control->GetPos();
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Shows or hides every control of a comma-separated list of names.
bool SetVisibility(PreviewWindow& window, const std::wstring& names, bool visible) {
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(L',', start);
        if (end == std::wstring::npos) {
            end = names.size();
        }
        SkinUI::CControlUI* control =
            window.manager.FindByName(names.substr(start, end - start).c_str());
        if (control == nullptr) {
            return false;
        }
        control->SetVisible(visible);
        start = end + 1;
    }
    window.manager.LayoutIfNeeded();
    return true;
}

// "\uXXXX" escapes of a text given on the command line.
std::wstring Unescape(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 5 < text.size() && text[i + 1] == L'u' &&
            std::all_of(text.begin() + i + 2, text.begin() + i + 6,
                        [](wchar_t c) { return std::iswxdigit(c) != 0; })) {
            out += static_cast<wchar_t>(std::wcstoul(text.substr(i + 2, 4).c_str(), nullptr, 16));
            i += 5;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "text:NAME=TEXT": sets a control's text.
bool SetTextAction(PreviewWindow& window, const std::wstring& argument) {
    const std::size_t eq = argument.find(L'=');
    if (eq == std::wstring::npos) {
        return false;
    }
    SkinUI::CControlUI* control = window.manager.FindByName(argument.substr(0, eq).c_str());
    if (control == nullptr) {
        return false;
    }
    control->SetText(Unescape(argument.substr(eq + 1)).c_str());
    window.manager.LayoutIfNeeded();
    return true;
}

// One action of a frame (see layout_mode.h). False when it names no such control or is unknown.
bool ApplyAction(PreviewWindow& window, const std::wstring& action) {
    if (action == L"normal") {
        return true;
    }
    if (action.compare(0, 5, L"text:") == 0) {
        return SetTextAction(window, action.substr(5));
    }
    const std::size_t colon = action.find(L':');
    if (colon == std::wstring::npos) {
        return false;
    }
    const std::wstring verb = action.substr(0, colon);
    std::wstring name = action.substr(colon + 1);
    int index = 0;
    const std::size_t second = name.find(L':');
    if (second != std::wstring::npos) {
        index = _wtoi(name.c_str() + second + 1);
        name.resize(second);
    }
    if (verb == L"hide" || verb == L"show") {
        return SetVisibility(window, name, verb == L"show");
    }
    SkinUI::CControlUI* control = window.manager.FindByName(name.c_str());
    if (control == nullptr) {
        return false;
    }
    const HWND hwnd = window.GetHWND();
    if (verb == L"hover") {
        SendMessageW(hwnd, WM_MOUSEMOVE, 0, CentreOf(control));
    } else if (verb == L"press") {
        SendMessageW(hwnd, WM_MOUSEMOVE, 0, CentreOf(control));
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control));
    } else if (verb == L"click") {
        SendMessageW(hwnd, WM_MOUSEMOVE, 0, CentreOf(control));
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, CentreOf(control));
        Pump();  // queued notifications
    } else if (verb == L"focus") {
        window.manager.FocusControl(control);
    } else if (verb == L"value") {
        auto* progress = dynamic_cast<SkinUI::CProgressUI*>(control);
        if (progress == nullptr) {
            return false;
        }
        progress->SetValue(index);
    } else if (verb == L"select") {
        auto* tabs = dynamic_cast<SkinUI::CTabLayoutUI*>(control);
        if (tabs == nullptr || !tabs->SelectItem(index)) {
            return false;
        }
    } else {
        return false;
    }
    window.manager.LayoutIfNeeded();
    return true;
}

// Builds the layout afresh, applies the frame's actions ('+' between them) and paints it.
bool RenderFrame(PreviewWindow& window, const wchar_t* source, const std::wstring& frame,
                 Canvas& canvas) {
    window.manager.ReleaseMouse();
    PatBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), WHITENESS);
    SkinUI::CLayoutBuilder builder;
    const bool fromResource = IsNumber(source);
    SkinUI::CControlUI* root =
        fromResource ? builder.Build(static_cast<UINT>(_wtoi(source)), L"xml", &window.manager)
                     : builder.Build(source, nullptr, &window.manager);
    if (root == nullptr) {
        std::fwprintf(stderr, L"layout: no control tree (%ls at \"%ls\")\n",
                      builder.GetDocument().ErrorMessage(), builder.GetDocument().ErrorLocation());
        return false;
    }
    SetWindowPos(window.GetHWND(), nullptr, 0, 0, canvas.width(), canvas.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    window.manager.AttachRoot(root);
    Pump();  // the previous frame's tree goes through the deferred deletion
    window.manager.LayoutIfNeeded();
    std::size_t start = 0;
    while (start <= frame.size()) {
        std::size_t end = frame.find(L'+', start);
        if (end == std::wstring::npos) {
            end = frame.size();
        }
        const std::wstring action = frame.substr(start, end - start);
        if (!ApplyAction(window, action)) {
            std::fwprintf(stderr, L"layout: cannot apply \"%ls\"\n", action.c_str());
            return false;
        }
        start = end + 1;
    }
    const RECT all = {0, 0, canvas.width(), canvas.height()};
    window.manager.PaintTree(canvas.dc(), all);
    GdiFlush();
    return true;
}

// The window size the layout asks for, from a build that only reads the window settings.
SIZE LayoutSize(PreviewWindow& window, const wchar_t* source) {
    SkinUI::CLayoutBuilder builder;
    SkinUI::CControlUI* root =
        IsNumber(source) ? builder.Build(static_cast<UINT>(_wtoi(source)), L"xml", &window.manager)
                         : builder.Build(source, nullptr, &window.manager);
    delete root;
    SIZE size = window.manager.GetInitSize();
    if (size.cx <= 0 || size.cy <= 0) {
        size = {400, 300};
    }
    return size;
}

// A frame's caption: its actions without the "hide" ones, which only clear the stage.
std::wstring Caption(const std::wstring& frame) {
    std::wstring caption;
    std::size_t start = 0;
    while (start <= frame.size()) {
        std::size_t end = frame.find(L'+', start);
        if (end == std::wstring::npos) {
            end = frame.size();
        }
        const std::wstring action = frame.substr(start, end - start);
        if (action.compare(0, 5, L"hide:") != 0) {
            caption += (caption.empty() ? L"" : L" + ") + action;
        }
        start = end + 1;
    }
    return caption;
}

void DrawCaption(Canvas& canvas, int top, const std::wstring& text) {
    RECT strip = {0, top, canvas.width(), top + kCaptionHeight};
    SkinUI::BrushHandle brush(CreateSolidBrush(RGB(0x30, 0x30, 0x30)));
    FillRect(canvas.dc(), &strip, brush.get());
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), RGB(0xFF, 0xFF, 0xFF));
    HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
    strip.left += 6;
    DrawTextW(canvas.dc(), text.c_str(), -1, &strip, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(canvas.dc(), old);
}

double MedianRepaint(PreviewWindow& window, Canvas& canvas, int repaints) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    const RECT all = {0, 0, canvas.width(), canvas.height()};
    for (int i = 0; i < repaints; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        window.manager.PaintTree(canvas.dc(), all);
        GdiFlush();
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The same as a user sees it: the window shown, invalidated whole and painted through
// WM_PAINT (off-screen buffer, then one copy to the screen).
double MedianWindowRepaint(PreviewWindow& window, int repaints) {
    const HWND hwnd = window.GetHWND();
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    Pump();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < repaints; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        GdiFlush();
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int LayoutMode(const wchar_t* source, const wchar_t* output,
               const std::vector<std::wstring>& frames, int repaints) {
    PreviewWindow window;
    if (window.CreateWnd(nullptr, L"skinpreview", WS_POPUP, 0, 0, 0, 100, 100) == nullptr) {
        return 1;
    }
    const SIZE size = LayoutSize(window, source);
    std::vector<std::wstring> list = frames;
    const bool captions = !list.empty();
    if (list.empty()) {
        list.push_back(L"normal");
    }
    const int frameHeight = static_cast<int>(size.cy) + (captions ? kCaptionHeight : 0);
    Canvas picture(size.cx, frameHeight * static_cast<int>(list.size()), kCaptionBackground);
    Canvas frameCanvas(size.cx, size.cy, 0xFFFFFFFF);
    int code = 0;
    for (std::size_t i = 0; i < list.size() && code == 0; ++i) {
        const int top = frameHeight * static_cast<int>(i);
        if (captions) {
            DrawCaption(picture, top, Caption(list[i]));
        }
        if (!RenderFrame(window, source, list[i], frameCanvas)) {
            code = 1;
            break;
        }
        BitBlt(picture.dc(), 0, top + (captions ? kCaptionHeight : 0), size.cx, size.cy,
               frameCanvas.dc(), 0, 0, SRCCOPY);
    }
    if (code == 0 && !picture.Save(output)) {
        code = 1;
    }
    if (code == 0 && repaints > 0) {
        std::printf("repaint %dx%d median %.3f ms over %d\n", static_cast<int>(size.cx),
                    static_cast<int>(size.cy), MedianRepaint(window, frameCanvas, repaints),
                    repaints);
        std::printf("window repaint %dx%d median %.3f ms over %d\n", static_cast<int>(size.cx),
                    static_cast<int>(size.cy), MedianWindowRepaint(window, repaints), repaints);
    }
    window.manager.ReleaseMouse();
    DestroyWindow(window.GetHWND());
    return code;
}

}  // namespace SkinPreview
