#include "installer/msg_box.h"

#include <shellapi.h>

#include "app/text_convert.h"
#include "app/log.h"
#include "report/step_report.h"
#include "skinui/controls/control.h"
#include "skinui/controls/container.h"
#include "skinui/controls/layout_builder.h"
#include "skinui/controls/text.h"
#include "installer/desktop_launch.h"
#include "installer/installer_exit.h"
#include "installer/window_chrome.h"

namespace {
const char kTag[] = "CMsgBox";
const LANGID kChinese = 2052;
const UINT kLayoutChinese = 156;
const UINT kLayoutEnglish = 167;
const size_t kProcessorLineLength = 30;

const wchar_t* const kLabels[] = {L"msg11", L"msg12", L"msg13", L"msg21", L"msg22", L"msg23",
                                  L"msg31", L"msg41", L"msg51", L"msg61", L"msg62"};
const wchar_t* const kKindButtons[] = {L"btnISee",        L"btnQuit",   L"btnQuitCenter",
                                       L"btnRetry",       L"btnDetail", L"btnContinueSetup",
                                       L"btnCancelSetup", L"btnOK",     L"btnCancel"};

struct KindControls {
    int kind;
    std::initializer_list<const wchar_t*> shown;
};
const KindControls kKinds[] = {
    {kMsgBoxXpAdvice, {L"msg21", L"msg22", L"msg23", L"btnISee"}},
    {kMsgBoxCpuUnsupported, {L"msg11", L"msg12", L"msg13", L"btnQuitCenter"}},
    {kMsgBoxConfigFailed, {L"msg31", L"btnRetry", L"btnQuit"}},
    {kMsgBoxInstallNotFinished, {L"msg41", L"btnContinueSetup", L"btnCancelSetup"}},
    {kMsgBoxConfirmExit, {L"msg51", L"btnOK", L"btnCancel"}},
    {kMsgBoxOsIncompatible, {L"msg61", L"msg62", L"btnQuitCenter"}},
    {kMsgBoxUsage, {L"btnISee"}},
};

// Ends the process as a quit button does, after the reports queued so far (bounded).
[[noreturn]] void EndProcess() {
    EndInstaller();
}
}  // namespace

bool CMsgBox::quitOnClose = false;
void (*CMsgBox::onShow)(CMsgBox& box) = nullptr;

CMsgBox::CMsgBox() {
    LogT(kTag, "CMsgBox::CMsgBox()");
}

CMsgBox::~CMsgBox() {
    if (window_ && IsWindow(window_)) {
        DestroyWindow(window_);
    }
}

SkinUI::CControlUI* CMsgBox::Find(const wchar_t* name) const {
    return manager_.FindByName(name);
}

LRESULT CMsgBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCLBUTTONDBLCLK:
            return 0;
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SYSCOMMAND:
            // Alt+F4 (or the taskbar's close) on a box whose one button ends the installer
            // does what that button does, instead of letting the installer go on.
            if ((wParam & 0xFFF0) == SC_CLOSE && quitCenterBtn_ != nullptr &&
                (kind_ == kMsgBoxCpuUnsupported || kind_ == kMsgBoxOsIncompatible)) {
                SkinUI::Notification click;
                click.type = L"click";
                click.sender = quitCenterBtn_;
                Notify(click);
                return 0;
            }
            break;
        case WM_SIZE:
            ApplyRoundCorners(window_, manager_);
            break;
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_NCHITTEST:
            // Labels belong to the drag area of the box.
            return HitTestCaption(window_, manager_, lParam, TextDrags::Yes);
        case WM_NCACTIVATE:
            if (!IsIconic(window_)) {
                return wParam == 0 ? 1 : 0;
            }
            break;
        default:
            break;
    }
    LRESULT result = 0;
    if (manager_.OnWindowMessage(message, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::OnMessage(message, wParam, lParam);
}

void CMsgBox::OnCreate() {
    PrepareSkinnedWindow(window_, manager_);

    const bool chinese = GetUserDefaultLangID() == kChinese;
    detailUrl_ = WidenBytes(chinese ? VELMORA_FORUM_URL_CN : VELMORA_FORUM_URL_INTL);
    SkinUI::CLayoutBuilder builder;
    SkinUI::CControlUI* root =
        builder.Build(chinese ? kLayoutChinese : kLayoutEnglish, L"xml", &manager_);
    if (!root) {
        MessageBoxW(nullptr, L"main.xml加载失败!", L"提示", MB_OK);
        return;
    }
    manager_.AttachRoot(root);
    manager_.AddListener(this);
    // Screen readers read the box as a dialog: its message in one piece, then its buttons.
    manager_.SetAccessibleDialog(true);
    closeBtn_ = Find(L"closebtn");
    detailBtn_ = Find(L"btnDetail");
    quitBtn_ = Find(L"btnQuit");
    quitCenterBtn_ = Find(L"btnQuitCenter");
    retryBtn_ = Find(L"btnRetry");
    iSeeBtn_ = Find(L"btnISee");
    continueSetupBtn_ = Find(L"btnContinueSetup");
    cancelSetupBtn_ = Find(L"btnCancelSetup");
    okBtn_ = Find(L"btnOK");
    cancelBtn_ = Find(L"btnCancel");
}

void CMsgBox::SetKind(int kind) {
    kind_ = kind;
    for (const wchar_t* name : kLabels) {
        if (SkinUI::CControlUI* c = Find(name)) {
            c->SetVisible(false);
        }
    }
    for (const wchar_t* name : kKindButtons) {
        if (SkinUI::CControlUI* c = Find(name)) {
            c->SetVisible(false);
        }
    }
    for (const KindControls& k : kKinds) {
        if (k.kind != kind) {
            continue;
        }
        for (const wchar_t* name : k.shown) {
            if (SkinUI::CControlUI* c = Find(name)) {
                c->SetVisible(true);
            }
        }
    }
    // The box offers its positive or only answer to the keyboard (Enter); Esc is its close.
    manager_.FocusDefaultButtonLater();
}

void CMsgBox::SetProcessorText(const std::wstring& text) {
    SkinUI::CControlUI* first = Find(L"msg12");
    SkinUI::CControlUI* second = Find(L"msg13");
    // A screen reader reads the name whole, not split where the lines wrap it.
    if (first) {
        first->SetText(text.substr(0, kProcessorLineLength).c_str());
        first->SetAccessibleName(text.c_str());
    }
    if (second) {
        const std::wstring ending = second->GetText();
        std::wstring rest =
            text.size() > kProcessorLineLength ? text.substr(kProcessorLineLength) : L"";
        second->SetText((rest + ending).c_str());
        second->SetAccessibleName(ending.c_str());
    }
}

void CMsgBox::SetLongText(const std::wstring& text) {
    auto* area = dynamic_cast<SkinUI::CContainerUI*>(Find(L"bklayout"));
    if (!area) {
        return;
    }
    if (SkinUI::CControlUI* icon = Find(L"warnIcon")) {
        icon->SetVisible(false);
    }
    // Lines wrapped between the title strip and the buttons, across the box.
    auto* lines = new SkinUI::CTextUI;
    lines->SetFloat(true);
    lines->SetFixedPos(SIZE{manager_.ScaleLength(14), manager_.ScaleLength(38)});
    lines->SetFixedWidth(manager_.ScaleLength(272));
    lines->SetFixedHeight(manager_.ScaleLength(88));
    lines->SetTextColor(0xFFFFFFFF);
    lines->SetFont(0);
    lines->SetTextStyle(DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    lines->SetText(text.c_str());
    area->Add(lines);
}

void CMsgBox::Notify(SkinUI::Notification& msg) {
    if (msg.type != L"click") {
        return;
    }
    SkinUI::CControlUI* sender = msg.sender;
    if (!sender) {
        return;
    }
    if (sender == detailBtn_) {
        OpenLinkForDesktopUser(detailUrl_, "detail link");
    } else if (sender == closeBtn_ && kind_ == kMsgBoxUsage) {
        CloseWnd(1);
    } else if (sender == closeBtn_) {
        if (quitOnClose) {
            ReportStepNow(kStepCancelSetup);
            EndProcess();
        }
        ReportStepNow(kStepContinueSetup);
        CloseWnd(1);
    } else if (sender == iSeeBtn_) {
        CloseWnd(1);
    } else if (sender == quitBtn_ || sender == quitCenterBtn_) {
        EndProcess();
    } else if (sender == retryBtn_) {
        CloseWnd(1);
    } else if (sender == continueSetupBtn_) {
        ReportStepNow(kStepContinueSetup);
        CloseWnd(1);
    } else if (sender == cancelSetupBtn_) {
        ReportStepNow(kStepCancelSetup);
        EndProcess();
    } else if (sender == okBtn_) {
        EndProcess();
    } else if (sender == cancelBtn_) {
        CloseWnd(1);
    }
}

namespace {
void ShowBox(int kind, bool quitOnClose, const std::wstring* processorText, HWND owner = nullptr) {
    CMsgBox::quitOnClose = quitOnClose;
    CMsgBox box;
    // A hidden or minimised owner would hide the box with it: such a box stands alone.
    if (owner != nullptr && (!IsWindowVisible(owner) || IsIconic(owner))) {
        owner = nullptr;
    }
    box.CreateWnd(owner, L"", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 400, nullptr);
    if (processorText) {
        box.SetProcessorText(*processorText);
    }
    box.CenterOnOwner();
    box.SetKind(kind);
    if (CMsgBox::onShow) {
        CMsgBox::onShow(box);
    }
    box.RunModal();
}
}  // namespace

void ShowXpWarningBox() {
    ShowBox(kMsgBoxXpAdvice, false, nullptr);
}

void ShowCpuUnsupportedBox(const std::wstring& processorName) {
    ShowBox(kMsgBoxCpuUnsupported, true, &processorName);
}

int ShowConfigFailedBox() {
    ShowBox(kMsgBoxConfigFailed, true, nullptr);
    return 1;
}

void ShowCancelInstallBox(const std::wstring& text, HWND owner) {
    ShowBox(kMsgBoxInstallNotFinished, false, &text, owner);
}

void ShowConfirmExitBox(const std::wstring& text, HWND owner) {
    ShowBox(kMsgBoxConfirmExit, false, &text, owner);
}

void ShowOsIncompatibleBox() {
    ShowBox(kMsgBoxOsIncompatible, true, nullptr);
}

void ShowUsageBox(const std::wstring& text) {
    CMsgBox::quitOnClose = false;
    CMsgBox box;
    box.CreateWnd(nullptr, L"", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 300, 400, nullptr);
    box.CenterOnOwner();
    box.SetKind(kMsgBoxUsage);
    box.SetLongText(text);
    if (CMsgBox::onShow) {
        CMsgBox::onShow(box);
    }
    box.RunModal();
}
