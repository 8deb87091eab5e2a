#include "installer/main_frame.h"

#include <shellapi.h>

#include "app/text_convert.h"
#include "app/config_selection.h"
#include "app/log.h"
#include "installer/desktop_launch.h"
#include "installer/folder_picker.h"
#include "installer/install_flow.h"
#include "installer/installer_exit.h"
#include "installer/main_frame_texts.h"
#include "installer/msg_box.h"
#include "installer/progress_texts.h"
#include "installer/running_installer.h"
#include "installer/window_chrome.h"
#include "report/report_hosts.h"
#include "report/report_queue.h"
#include "report/step_report.h"
#include "skinui/controls/controls.h"
#include "skinui/controls/layout_builder.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"
#include "sysinfo/processor_support.h"

namespace {
const char kTag[] = "CMainFrame";
const UINT kAppIcon = 107;
const wchar_t kCloseText[] = L"XXCLOSE";

SkinUI::COptionUI* AsOption(SkinUI::CControlUI* control) {
    return dynamic_cast<SkinUI::COptionUI*>(control);
}
}  // namespace

void (*CMainFrame::onFirstPaint)(CMainFrame& frame) = nullptr;

CMainFrame::CMainFrame(InstallSettings::FetchLater later) : settings_(later) {
    // The window's start-up comes first; the first paint releases the reports.
    HoldReports();
}

void CMainFrame::ShowConfigured() {
    // Logged right after the configuration, as the window's start.
    LogT(kTag, "CMainFrame::CMainFrame()");
    awaitingConfiguration_ = false;
    SetWindowTextW(window_, GetConfigSelection().windowTitle.c_str());
    FinishCreate();
    ShowWnd(true, true);
}

CMainFrame::~CMainFrame() {
    tray_.Remove();
    if (window_ && IsWindow(window_)) {
        DestroyWindow(window_);
    }
}

bool CMainFrame::chinese() const {
    return IsChineseLanguage(language_);
}

LRESULT CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT taskbarCreated = TrayIcon::TaskbarCreatedMessage();
    static const UINT showInstaller = ShowInstallerMessage();
    if (message == taskbarCreated && message != 0) {
        OnTaskbarCreated();
        return 0;
    }
    if (message == showInstaller && message != 0) {
        ShowFromTray();  // a second copy of the installer was started
        return 1;
    }
    switch (message) {
        case WM_NCLBUTTONDBLCLK:
            return 0;
        case WM_CREATE:
            return OnCreate();
        case WM_DESTROY:
            tray_.Remove();
            PostQuitMessage(0);
            break;
        case WM_SIZE:
            ApplyRoundCorners(window_, manager_);
            break;
        case WM_ENDSESSION:
            // Log-off or shutdown: the system ends the process once this returns, so it ends
            // here, with the download's bytes written out first.
            if (wParam) {
                LogI(kTag, "the session ends");
                EndInstaller();
            }
            return 0;
        case WM_CLOSE:
            if (closePromptOpen_ || awaitingConfiguration_) {
                return 0;  // already asking: the open prompt decides
            }
            ShowClosePrompt();
            break;
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            ShowLogoForContrast();
            break;  // the paint manager paints anew
        case WM_NCHITTEST:
            // A press on a label stays with the window.
            return HitTestCaption(window_, manager_, lParam, TextDrags::No);
        case WM_NCACTIVATE:
            if (!IsIconic(window_)) {
                return wParam == 0 ? 1 : 0;
            }
            break;
        case WM_TIMER:
            if (OnTimer(wParam)) {
                return 0;
            }
            break;
        case kMsgSpeedText:
            if (wParam && downloadSpeed_) {
                downloadSpeed_->SetText(reinterpret_cast<const wchar_t*>(wParam));
            }
            return 0;
        case kMsgShowInstalling:
            ShowStage(RecordedStage(2));
            return 0;
        case kMsgShowFinished:
            ShowStage(RecordedStage(3));
            return 0;
        case kMsgProgressValue:
            if (auto* bar = dynamic_cast<SkinUI::CProgressUI*>(progress_)) {
                bar->SetValue(static_cast<int>(wParam));
            }
            return 0;
        case kMsgProgressText:
            if (wParam) {
                trayText_ = reinterpret_cast<const wchar_t*>(wParam);
                if (progressRead_) {
                    progressRead_->SetText(trayText_.c_str());
                }
            }
            return 0;
        case kMsgTrayCallback:
            return OnTrayNotify(wParam, lParam);
        case kMsgRefreshDownloadTexts:
            RefreshDownloadTexts();
            return 0;
        case kMsgObstacle:
            if (wParam) {
                ShowObstacle(*reinterpret_cast<const DownloadObstacle*>(wParam));
            }
            return 0;
        default:
            break;
    }
    LRESULT result = 0;
    if (manager_.OnWindowMessage(message, wParam, lParam, result)) {
        if (message == WM_PAINT && !painted_) {
            painted_ = true;
            ReleaseReports();
            if (onFirstPaint) {
                onFirstPaint(*this);
            }
            // The borderless window shows no icon of its own; the taskbar's follows its first
            // paint (under Wine each WM_SETICON builds the X window's icon property).
            SetWndIcon(kAppIcon);
        }
        return result;
    }
    return CWindowWnd::OnMessage(message, wParam, lParam);
}

LRESULT CMainFrame::OnCreate() {
    PrepareSkinnedWindow(window_, manager_);
    if (awaitingConfiguration_) {
        // A second copy looks for the window by its title: it gets it when it is shown.
        SetWindowTextW(window_, L"");
    }

    language_ = GetUserDefaultLangID();
    const MainFrameTexts& texts = TextsFor(chinese());
    // The background the layout starts with is the largest image of the first paint: at a
    // large display scale it is loaded while the control tree is built.
    manager_.PrefetchImages(texts.banners[4]);
    SkinUI::CLayoutBuilder builder;
    SkinUI::CControlUI* root = builder.Build(texts.layout, L"xml", &manager_);
    layoutLoaded_ = root != nullptr;
    if (root) {
        manager_.AttachRoot(root);
        manager_.AddListener(this);
        FindControls();
    }
    if (!awaitingConfiguration_) {
        FinishCreate();
    }
    return 0;
}

// What the user sees or the servers hear of the creation, once the configuration is there.
void CMainFrame::FinishCreate() {
    settings_.setAgreementUrl(InstallSettings::AgreementUrl(chinese()));
    SetReportBaseUrl(OperateEndpointFor(language_));
    ReportStepNow(kStepDownloaderStart);
    if (!layoutLoaded_) {
        MessageBoxW(nullptr, L"main.xml加载失败!", L"提示", MB_OK);
        return;
    }
    SetTimer(window_, kBannerTimer, 5000, nullptr);
    CheckMachine();
}

void CMainFrame::FindControls() {
    auto find = [this](const wchar_t* name) { return manager_.FindByName(name); };
    minBtn_ = find(L"minbtn");
    closeBtn_ = find(L"closebtn");
    installBtn_ = find(L"installbtn");
    pauseBtn_ = find(L"pausebtn");
    endBtn_ = find(L"endbtn");
    browseBtn_ = find(L"browse");
    destEdit_ = find(L"dtedit");
    progress_ = find(L"progress");
    bkLayout_ = find(L"bklayout");
    switch_ = find(L"switch");
    accept_ = find(L"accept");
    userAgreement_ = find(L"useragreement");
    manualDownload_ = find(L"manualdownload");
    quickLaunchBox_ = find(L"quicklaunch");
    if (quickLaunchBox_) {
        quickLaunchBox_->SetVisible(false);
    }
    downloadSpeed_ = find(L"downladspeed");
    progressRead_ = find(L"progressread");
    status_ = find(L"status");
    finishText_ = find(L"finishtext");
    restartText_ = find(L"restarttext");
    downTip_ = find(L"downtip");
    obstacle_ = find(L"obstacle");
    spaceRetry_ = find(L"spaceretry");
    spaceFolder_ = find(L"spacefolder");
    failReason_ = find(L"failreason");
    manualLink_ = find(L"manuallink");
    contrastLogo_ = find(L"hclogo");
    ShowLogoForContrast();
}

// The boxes shown here are modal; those for an unusable machine end the process.
void CMainFrame::CheckMachine() {
    if (!IsProcessorSupported()) {
        ShowCpuUnsupportedBox(GetProcessorName());
    }
    if (IsXpSp3()) {
        ShowXpWarningBox();
    } else if (IsOlderThanXpSp3()) {
        ShowOsIncompatibleBox();
    }
}

void CMainFrame::Notify(SkinUI::Notification& msg) {
    if (msg.type == L"windowinit") {
        OnWindowInit();
    } else if (msg.type == L"click") {
        OnClick(msg.sender);
    } else if (msg.type == L"selectchanged") {
        OnSelectChanged(msg.sender);
    }
}

void CMainFrame::OnWindowInit() {
    if (destEdit_) {
        destEdit_->SetText(settings_.installPath().c_str());
    }
    if (installBtn_) {
        installBtn_->SetEnabled(false);
        if (GetConfigSelection().isTest) {
            installBtn_->SetText(L"Install内部版");
        }
    }
    if (SkinUI::COptionUI* accept = AsOption(accept_)) {
        accept->Select(true);
    }
    if (SkinUI::COptionUI* quickLaunch = AsOption(quickLaunchBox_)) {
        quickLaunch->Select(true);
    }
}

void CMainFrame::OnClick(SkinUI::CControlUI* sender) {
    if (!sender) {
        return;
    }
    const MainFrameTexts& texts = TextsFor(chinese());
    if (OnObstacleClick(sender)) {
        return;
    }
    if (sender == minBtn_) {
        MinimizeToTray();
        ShowBalloon(texts.minimizedBalloon, L"");
    } else if (sender == closeBtn_) {
        ShowClosePrompt();
    } else if (sender == endBtn_) {
        if (installSucceeded()) {
            LaunchInstalled();
        } else {
            StartInstall();
        }
    } else if (sender == installBtn_) {
        StartInstall();
    } else if (sender == pauseBtn_) {
        TogglePause();
    } else if (sender == browseBtn_) {
        OpenDirectoryDialog dialog;
        dialog.Open(window_);
        const std::wstring folder = dialog.selected();
        if (!folder.empty()) {
            settings_.setInstallPath(folder);
            if (destEdit_) {
                destEdit_->SetText(folder.c_str());
            }
        }
    } else if (sender == userAgreement_) {
        OpenUrl(settings_.agreementUrl(), "agreement link");
    } else if (sender == manualDownload_ || sender == manualLink_) {
        const auto& packages = settings_.packages();
        OpenUrl(packages.empty() ? std::wstring() : WidenBytes(packages.front().address),
                "manual-download link");
    }
}

void CMainFrame::OpenUrl(const std::wstring& url, const char* what) {
    OpenLinkForDesktopUser(url, what);
}

void CMainFrame::StartInstall() {
    startDownload();
    ShowStage(1);
    MinimizeToTray();
    ShowBalloon(TextsFor(chinese()).installingBalloon, L"");
}

void CMainFrame::OnSelectChanged(SkinUI::CControlUI* sender) {
    SkinUI::COptionUI* option = AsOption(sender);
    if (!option) {
        return;
    }
    if (sender == accept_) {
        if (installBtn_) {
            installBtn_->SetEnabled(option->IsSelected());
        }
    }
}

bool CMainFrame::OnTimer(UINT_PTR id) {
    switch (id) {
        case kBannerTimer:
            RotateBackground();
            return true;
        case kTrayHoverTimer:
            trayTipShown_ = false;
            return true;
        case kBalloonTimer:
            ShowBalloon(L"", L"");
            return true;
        default:
            return false;  // the paint manager's own timers
    }
}

void CMainFrame::RotateBackground() {
    if (!bkLayout_) {
        return;
    }
    bkLayout_->SetBkImage(TextsFor(chinese()).banners[bannerIndex_]);
    bannerIndex_ = bannerIndex_ >= 4 ? 0 : bannerIndex_ + 1;
}

void CMainFrame::MinimizeToTray() {
    trayWanted_ = true;
    if (tray_.Add(window_, kAppIcon, TextsFor(chinese()).trayTip)) {
        ShowWnd(false, true);
        return;
    }
    // Without a notification area a hidden window could never be had back.
    LogW(kTag, "notification area icon not added: minimised to the taskbar");
    ShowWindow(window_, SW_MINIMIZE);
}

void CMainFrame::RemoveTrayIcon() {
    tray_.Remove();
    trayWanted_ = false;
}

void CMainFrame::OnTaskbarCreated() {
    // Only a window hidden to the notification area lost its way back with the old icon.
    if (!trayWanted_ || IsWindowVisible(window_)) {
        return;
    }
    LogI(kTag, "notification area recreated: adding the icon again");
    if (!tray_.Add(window_, kAppIcon, TextsFor(chinese()).trayTip)) {
        LogW(kTag, "notification area icon not added: minimised to the taskbar");
        ShowWindow(window_, SW_SHOWMINNOACTIVE);
    }
}

void CMainFrame::ShowFromTray() {
    // Not while it is still being created (hidden, the machine checks' boxes up).
    if (trayWanted_ || IsIconic(window_)) {
        ShowWnd(true, true);
        RemoveTrayIcon();
    }
}

void CMainFrame::ShowBalloon(const std::wstring& text, const std::wstring& title) {
    if (text.empty()) {
        KillTimer(window_, kBalloonTimer);
    } else {
        SetTimer(window_, kBalloonTimer, 5000, nullptr);
    }
    tray_.ShowBalloon(text, title);
}

LRESULT CMainFrame::OnTrayNotify(WPARAM id, LPARAM mouseMessage) {
    if (id != kTrayIconId) {
        return 1;
    }
    if (mouseMessage == WM_MOUSEMOVE) {
        SetTimer(window_, kTrayHoverTimer, 500, nullptr);
        if (!trayTipShown_ && !trayText_.empty()) {
            ShowBalloon(trayText_, TextsFor(chinese()).progressBalloonTitle);
        }
        trayTipShown_ = true;
    } else if (TrayIcon::IsActivation(mouseMessage)) {
        // A click may bring both its button-up and NIN_SELECT: the second finds the window
        // already back.
        if (trayWanted_) {
            if (mouseMessage == NIN_KEYSELECT) {
                // Brought back by the keyboard: the focus shows at once.
                manager_.ShowFocusFromKeyboard();
            }
            ShowWnd(true, true);
            RemoveTrayIcon();
        }
    }
    return 0;
}

void CMainFrame::ShowClosePrompt() {
    // One prompt at a time. The window is disabled under its prompt, but a WM_CLOSE can still
    // be posted to it, or arrive while it is hidden to the notification area.
    if (closePromptOpen_) {
        return;
    }
    closePromptOpen_ = true;
    if (installSucceeded()) {
        ShowConfirmExitBox(kCloseText, window_);
    } else {
        ShowCancelInstallBox(kCloseText, window_);
    }
    closePromptOpen_ = false;
}
