// The install flow on the main window's side: starting a download and its progress thread,
// the stages of the progress and result pages, pause and resume, and opening the product.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/text_convert.h"
#include "app/log.h"
#include "download/tiny_download.h"
#include "installer/desktop_launch.h"
#include "installer/install_flow.h"
#include "installer/install_start.h"
#include "installer/main_frame.h"
#include "installer/main_frame_texts.h"
#include "installer/progress_texts.h"
#include "report/interval_clock.h"
#include "skinui/controls/controls.h"

namespace {
const char kTag[] = "CMainFrame";
void SetText(SkinUI::CControlUI* control, const wchar_t* text) {
    if (control) {
        control->SetText(text);
    }
}

void Hide(SkinUI::CControlUI* control) {
    if (control) {
        control->SetVisible(false);
    }
}

void SelectPage(SkinUI::CControlUI* tabs, int page) {
    if (auto* layout = dynamic_cast<SkinUI::CTabLayoutUI*>(tabs)) {
        layout->SelectItem(page);
    }
}
}  // namespace

int CMainFrame::startDownload() {
    GetIntervalText(0);
    LogT(kTag, "startDownload()");
    // The page with the folder is gone while the package runs: its text now is what it will be.
    const std::wstring folder = destEdit_ ? destEdit_->GetText() : std::wstring();
    // Always a job: without a package folder or a package it ends as a refused package does.
    std::shared_ptr<InstallJob> job =
        StartInstallJob(settings_.packages(), folder, window_, chinese());
    setupPath_ = job->setupPath;
    installDir_ = job->target.installDir;
    programPath_ = job->target.programPath;
    job_ = job;
    LogT(kTag, "~startDownload()");
    return 0;
}

void CMainFrame::ShowStage(int stage) {
    stage_ = stage;
    const MainFrameTexts& texts = TextsFor(chinese());
    switch (stage) {
        case 1:
            SelectPage(switch_, 1);
            SetText(status_, texts.statusDownloadingStage);
            if (auto* bar = dynamic_cast<SkinUI::CProgressUI*>(progress_)) {
                bar->SetForeImage(L"res='153' restype='png'");
                bar->SetMaxValue(100);
                bar->SetValue(0);
            }
            Hide(pauseBtn_);
            Hide(downTip_);
            Hide(manualDownload_);
            Hide(downloadSpeed_);
            ShowObstacle(DownloadObstacle());
            break;
        case 2:
            SelectPage(switch_, 1);
            SetText(status_, texts.statusInstalling);
            Hide(downloadSpeed_);
            Hide(pauseBtn_);
            Hide(downTip_);
            Hide(manualDownload_);
            break;
        case 3:
            installSucceeded_ = job_ && job_->succeeded;
            SelectPage(switch_, 2);
            SetText(finishText_, installSucceeded_ ? texts.installSucceeded : texts.installFailed);
            SetText(endBtn_, installSucceeded_ ? texts.open : texts.retry);
            ShowFailureReason();
            ShowWnd(true, true);
            RemoveTrayIcon();
            // The window comes back by itself: have a screen reader read how it ended.
            manager_.AnnounceAccessible(finishText_);
            if (restartText_) {
                // The package returned 3010 or 1641: installed, but not finished until Windows
                // has restarted.
                const bool restart =
                    job_ && job_->outcome == PackageOutcome::SucceededRestartNeeded;
                SetText(restartText_, texts.restartNeeded);
                restartText_->SetVisible(restart);
                if (restart) {
                    manager_.AnnounceAccessible(restartText_);
                }
            }
            break;
        default:
            break;
    }
}

void CMainFrame::TogglePause() {
    if (!pauseBtn_) {
        return;
    }
    const std::wstring text = pauseBtn_->GetText();
    if (text == TextsFor(true).pause || text == TextsFor(false).pause) {
        PauseDownload();
    } else if (text == TextsFor(true).resume || text == TextsFor(false).resume) {
        ResumeDownload();
    }
}

// A pause holds at any moment of the download (also during the length probe and the wait
// between attempts), so it is asked for whenever the download is not done yet.
void CMainFrame::PauseDownload() {
    if (job_ && !job_->downloader->IsFinished()) {
        job_->downloader->Pause();
    }
    const MainFrameTexts& texts = TextsFor(chinese());
    SetText(pauseBtn_, texts.resume);
    SetText(status_, texts.statusPaused);
}

void CMainFrame::ResumeDownload() {
    if (job_ && !job_->downloader->IsDownloading()) {
        job_->downloader->Resume();
    }
    const MainFrameTexts& texts = TextsFor(chinese());
    SetText(pauseBtn_, texts.pause);
    SetText(status_, texts.statusDownloading);
}

// The per-second refresh asked for by the progress thread. It only shows the running state,
// and only while the download still runs: a pause the user chose in the meantime stays.
void CMainFrame::RefreshDownloadTexts() {
    if (job_ && job_->downloader->IsDownloading()) {
        ResumeDownload();
    }
}

void CMainFrame::LaunchInstalled() {
    OutputDebugStringW(programPath_.c_str());
    OpenForDesktopUser(programPath_, installDir_, "installed program");
    PostQuitMessage(0);
}
