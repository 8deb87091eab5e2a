#pragma once
// The installer's main window: a borderless skinned window with three pages (folder and
// agreement, progress, result). It owns the install settings and the current install job,
// checks the machine when created, hides to the notification area while work runs, and reacts
// to the messages of the install workers.
#include <windows.h>

#include <memory>
#include <string>

#include "installer/install_settings.h"
#include "installer/tray_icon.h"
#include "skinui/core/ui_events.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/window_wnd.h"

namespace SkinUI {
class CControlUI;
}
struct InstallJob;

class CMainFrame : public SkinUI::CWindowWnd, public SkinUI::INotifyUI {
public:
    // Timers of the window.
    static constexpr UINT_PTR kBannerTimer = 1024;
    static constexpr UINT_PTR kTrayHoverTimer = 1025;
    static constexpr UINT_PTR kBalloonTimer = 1026;
    static constexpr UINT kTrayIconId = 128;
    // Called once, right after the window's first paint (start-up measurements); may be null.
    static void (*onFirstPaint)(CMainFrame& frame);

    // The configuration is the caller's to fetch (installer/config_fetch.h): the window is
    // created hidden, its page built, and shown by ShowConfigured once the configuration is there.
    explicit CMainFrame(InstallSettings::FetchLater);
    // What creation leaves until the configuration has arrived (the title, the first report,
    // the machine checks, the banner timer), then shows the window.
    void ShowConfigured();
    ~CMainFrame() override;

    void Notify(SkinUI::Notification& msg) override;

    void MinimizeToTray();
    void RemoveTrayIcon();
    void ShowBalloon(const std::wstring& text, const std::wstring& title);

    // The install flow on the window's side.
    int startDownload();
    void ShowStage(int stage);
    void TogglePause();
    void PauseDownload();
    void ResumeDownload();
    void LaunchInstalled();

    SkinUI::CUIManager& manager() { return manager_; }
    InstallSettings& settings() { return settings_; }
    int stage() const { return stage_; }
    // The result page shows an install that succeeded.
    bool installSucceeded() const;
    bool trayIconShown() const { return tray_.added(); }
    bool trayIconTakesKeys() const { return tray_.versioned(); }
    const std::wstring& trayText() const { return trayText_; }

protected:
    const wchar_t* WindowClassName() const override { return L"UIMainFrame"; }
    const wchar_t* SuperclassName() const override { return nullptr; }
    UINT ClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND) override {}

private:
    LRESULT OnCreate();
    void FinishCreate();
    void FindControls();
    void CheckMachine();
    void OnWindowInit();
    void OnClick(SkinUI::CControlUI* sender);
    void OnSelectChanged(SkinUI::CControlUI* sender);
    bool OnTimer(UINT_PTR id);
    LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
    void ShowClosePrompt();
    void OnTaskbarCreated();
    void ShowFromTray();
    void RotateBackground();
    void StartInstall();
    void RefreshDownloadTexts();
    void DrawPauseButton();
    int RecordedStage(int shown) const;
    // What stands in the download's way (installer/main_frame_obstacles.cpp).
    void ShowObstacle(const struct DownloadObstacle& obstacle);
    bool OnObstacleClick(SkinUI::CControlUI* sender);
    void ChooseAnotherFolder();
    void ShowFailureReason();
    // High contrast draws no background picture: the logo it carried is shown by itself.
    void ShowLogoForContrast();
    void OpenUrl(const std::wstring& url, const char* what);
    bool chinese() const;

    SkinUI::CUIManager manager_;
    SkinUI::CControlUI* minBtn_ = nullptr;
    SkinUI::CControlUI* closeBtn_ = nullptr;
    SkinUI::CControlUI* installBtn_ = nullptr;
    SkinUI::CControlUI* browseBtn_ = nullptr;
    SkinUI::CControlUI* endBtn_ = nullptr;
    SkinUI::CControlUI* userAgreement_ = nullptr;
    SkinUI::CControlUI* manualDownload_ = nullptr;
    SkinUI::CControlUI* downloadSpeed_ = nullptr;
    SkinUI::CControlUI* status_ = nullptr;
    SkinUI::CControlUI* progressRead_ = nullptr;
    SkinUI::CControlUI* destEdit_ = nullptr;
    SkinUI::CControlUI* bkLayout_ = nullptr;
    SkinUI::CControlUI* switch_ = nullptr;
    SkinUI::CControlUI* progress_ = nullptr;
    SkinUI::CControlUI* accept_ = nullptr;
    SkinUI::CControlUI* quickLaunchBox_ = nullptr;
    SkinUI::CControlUI* pauseBtn_ = nullptr;
    SkinUI::CControlUI* downTip_ = nullptr;
    SkinUI::CControlUI* finishText_ = nullptr;
    SkinUI::CControlUI* restartText_ = nullptr;  // shown when Windows must restart to finish
    SkinUI::CControlUI* obstacle_ = nullptr;
    SkinUI::CControlUI* spaceRetry_ = nullptr;
    SkinUI::CControlUI* spaceFolder_ = nullptr;
    SkinUI::CControlUI* failReason_ = nullptr;
    SkinUI::CControlUI* manualLink_ = nullptr;
    SkinUI::CControlUI* contrastLogo_ = nullptr;
    int obstacleKind_ = 0;  // the kind shown, as DownloadObstacle::Kind
    int stage_ = 0;
    InstallSettings settings_;
    std::shared_ptr<InstallJob> job_;  // the current download and install, shared with workers
    std::wstring setupPath_;
    std::wstring installDir_;
    std::wstring programPath_;
    LANGID language_ = 1033;
    int bannerIndex_ = 0;
    std::wstring trayText_;
    bool trayTipShown_ = false;
    bool trayWanted_ = false;  // hidden to the notification area (or meant to be)
    bool closePromptOpen_ = false;
    bool painted_ = false;
    bool awaitingConfiguration_ = true;  // created hidden, before its configuration
    bool layoutLoaded_ = false;
    TrayIcon tray_{kTrayIconId, WM_USER + 6};
};
