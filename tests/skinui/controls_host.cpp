#include "tests/skinui/controls_host.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace CtlTest {

namespace {

HostWindow* host = nullptr;

// Destroys the shared window once, after the last test.
class HostEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        if (host != nullptr) {
            host->manager.AttachRoot(nullptr);
            DestroyWindow(host->GetHWND());
            Pump();
            delete host;
            host = nullptr;
        }
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

void Send(UINT message, WPARAM wParam, LPARAM lParam) {
    SendMessageW(Host().GetHWND(), message, wParam, lParam);
    Pump();
}

// A mouse message goes where the system would put it: to a visible child window under the
// point (such as an open native edit box), in that window's coordinates.
void SendMouse(UINT message, WPARAM wParam, int x, int y) {
    HWND host = Host().GetHWND();
    POINT point = {x, y};
    HWND target = ChildWindowFromPointEx(host, point, CWP_SKIPINVISIBLE);
    if (target == nullptr) {
        target = host;
    }
    MapWindowPoints(host, target, &point, 1);
    SendMessageW(target, message, wParam, MAKELPARAM(point.x, point.y));
    Pump();
}

}  // namespace

void HostWindow::Notify(SkinUI::Notification& n) {
    notes.push_back(Note{n.type, n.sender, n.wParam, n.lParam});
}

std::vector<std::wstring> HostWindow::TypesFrom(SkinUI::CControlUI* sender) const {
    std::vector<std::wstring> types;
    for (const Note& note : notes) {
        if (note.sender == sender) {
            types.push_back(note.type);
        }
    }
    return types;
}

int HostWindow::Count(const wchar_t* type) const {
    return static_cast<int>(std::count_if(notes.begin(), notes.end(),
                                          [type](const Note& n) { return n.type == type; }));
}

LRESULT HostWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        manager.AttachWindow(window_);
        manager.AddListener(this);
    }
    LRESULT result = 0;
    if (manager.OnWindowMessage(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::OnMessage(message, wParam, lParam);
}

HostWindow& Host() {
    if (host == nullptr) {
        host = new HostWindow();
        host->CreateWnd(nullptr, L"controls test", WS_POPUP, 0, 0, 0, HostWindow::kWidth,
                        HostWindow::kHeight);
        host->ShowWnd(true, true);
        Pump();
    }
    return *host;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!SkinUI::CUIManager::TranslateQueuedMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Repaint() {
    InvalidateRect(Host().GetHWND(), nullptr, FALSE);
    UpdateWindow(Host().GetHWND());
    Pump();
}

void Attach(SkinUI::CControlUI* root) {
    Host().manager.AttachRoot(root);
    Repaint();
    Host().notes.clear();
}

void Detach() {
    Host().manager.AttachRoot(nullptr);
    Pump();
    Host().notes.clear();
}

void MouseMove(int x, int y) {
    SendMouse(WM_MOUSEMOVE, 0, x, y);
}
void MouseDown(int x, int y) {
    SendMouse(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
}
void MouseUp(int x, int y) {
    SendMouse(WM_LBUTTONUP, 0, x, y);
}
void Click(int x, int y) {
    MouseMove(x, y);
    MouseDown(x, y);
    MouseUp(x, y);
}
void KeyDown(UINT key) {
    Send(WM_KEYDOWN, key, 0);
}

}  // namespace CtlTest
