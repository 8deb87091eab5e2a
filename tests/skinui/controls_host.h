#pragma once
// One real window shared by the control tests (a window costs seconds to destroy under Wine):
// its manager, the notifications it saw, and mouse and key messages sent to it.
#include <windows.h>

#include <string>
#include <vector>

#include "skinui/controls/control.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/window_wnd.h"

namespace CtlTest {

struct Note {
    std::wstring type;
    SkinUI::CControlUI* sender;
    WPARAM wParam;
    LPARAM lParam;
};

class HostWindow : public SkinUI::CWindowWnd, public SkinUI::INotifyUI {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    SkinUI::CUIManager manager;
    std::vector<Note> notes;

    void Notify(SkinUI::Notification& n) override;
    // The types sent by one control, in order.
    std::vector<std::wstring> TypesFrom(SkinUI::CControlUI* sender) const;
    int Count(const wchar_t* type) const;

protected:
    const wchar_t* WindowClassName() const override { return L"ControlsTestHost"; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Created at first use, destroyed when the test program ends.
HostWindow& Host();
void Pump();
// Makes root the host's tree, lays it out and paints it; notifications so far are dropped.
void Attach(SkinUI::CControlUI* root);
// Drops the tree (its controls are deleted).
void Detach();
void Repaint();
void MouseMove(int x, int y);
void MouseDown(int x, int y);
void MouseUp(int x, int y);
void Click(int x, int y);
void KeyDown(UINT key);

}  // namespace CtlTest
