#pragma once
// The installer's own skinned, modal message box. One layout holds the texts and buttons of all
// six kinds; a kind shows its own and hides the rest. Some buttons close the box and let the
// caller go on, others end the process (exit code 0).
#include <string>

#include "skinui/core/ui_events.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/window_wnd.h"

namespace SkinUI {
class CControlUI;
}

enum MsgBoxKind {
    kMsgBoxXpAdvice = 1,
    kMsgBoxCpuUnsupported = 2,
    kMsgBoxConfigFailed = 3,
    kMsgBoxInstallNotFinished = 4,
    kMsgBoxConfirmExit = 5,
    kMsgBoxOsIncompatible = 6,
    kMsgBoxUsage = 7,  // the command line's usage, when there is no console to print it to
};

class CMsgBox : public SkinUI::CWindowWnd, public SkinUI::INotifyUI {
public:
    // Process-wide: what the close button does (report CancelSetup and end the process, or
    // report ContinueSetup and close the box).
    static bool quitOnClose;
    // Called with each box just before it runs modally (diagnostics and tests); may be null.
    static void (*onShow)(CMsgBox& box);

    CMsgBox();
    ~CMsgBox() override;

    void Notify(SkinUI::Notification& msg) override;
    void SetKind(int kind);
    // Fills the two middle lines of the processor message: a long name wraps after 30
    // characters in front of the label's own ending.
    void SetProcessorText(const std::wstring& text);
    // Puts a text of several lines into the message area (the usage kind).
    void SetLongText(const std::wstring& text);

    SkinUI::CUIManager& manager() { return manager_; }

protected:
    const wchar_t* WindowClassName() const override { return L"UIMsgBox"; }
    const wchar_t* SuperclassName() const override { return nullptr; }
    UINT ClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND) override {}

private:
    void OnCreate();
    SkinUI::CControlUI* Find(const wchar_t* name) const;

    SkinUI::CUIManager manager_;
    SkinUI::CControlUI* closeBtn_ = nullptr;
    SkinUI::CControlUI* detailBtn_ = nullptr;
    SkinUI::CControlUI* quitBtn_ = nullptr;
    SkinUI::CControlUI* quitCenterBtn_ = nullptr;
    SkinUI::CControlUI* retryBtn_ = nullptr;
    SkinUI::CControlUI* iSeeBtn_ = nullptr;
    SkinUI::CControlUI* continueSetupBtn_ = nullptr;
    SkinUI::CControlUI* cancelSetupBtn_ = nullptr;
    SkinUI::CControlUI* okBtn_ = nullptr;
    SkinUI::CControlUI* cancelBtn_ = nullptr;
    std::wstring detailUrl_;
    int kind_ = 0;
};

// Front ends: each shows one kind modally on the calling thread and returns when the box is
// closed, or never when a button ends the process. A box given a visible owner window is centred
// on it and the owner is disabled until the box closes, as under a system message box.
void ShowXpWarningBox();
void ShowCpuUnsupportedBox(const std::wstring& processorName);
int ShowConfigFailedBox();  // always 1 (the caller tries again)
void ShowCancelInstallBox(const std::wstring& text, HWND owner = nullptr);
void ShowConfirmExitBox(const std::wstring& text, HWND owner = nullptr);
void ShowOsIncompatibleBox();
// The usage kind: text over the box's message area, one "I see" button; sends no report.
void ShowUsageBox(const std::wstring& text);
