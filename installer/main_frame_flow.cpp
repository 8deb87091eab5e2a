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
        case 3: {
            const InstallSnapshot state = job_ ? job_->state.Read() : InstallSnapshot();
            SelectPage(switch_, 2);
            SetText(finishText_, state.succeeded() ? texts.installSucceeded : texts.installFailed);
            SetText(endBtn_, state.succeeded() ? texts.open : texts.retry);
            ShowFailureReason();
            ShowWnd(true, true);
            RemoveTrayIcon();
            // The window comes back by itself: have a screen reader read how it ended.
            manager_.AnnounceAccessible(finishText_);
            if (restartText_) {
                // The package returned 3010 or 1641: installed, but not finished until Windows
                // has restarted.
                const bool restart = state.outcome == PackageOutcome::SucceededRestartNeeded;
                SetText(restartText_, texts.restartNeeded);
                restartText_->SetVisible(restart);
                if (restart) {
                    manager_.AnnounceAccessible(restartText_);
                }
            }
            break;
        }
        default:
            break;
    }
}

bool CMainFrame::installSucceeded() const {
    return stage_ == 3 && job_ && job_->state.succeeded();
}

// The page of a worker's message is the one the job's state has reached.
int CMainFrame::RecordedStage(int shown) const {
    return job_ ? static_cast<int>(job_->state.stage()) : shown;
}

void CMainFrame::TogglePause() {
    if (!pauseBtn_) {
        return;
    }
    if (job_ && job_->state.paused()) {
        ResumeDownload();
    } else {
        PauseDownload();
    }
}

// A pause holds at any moment of the download (also during the length probe and the wait
// between attempts), so it is asked for whenever the download is not done yet.
void CMainFrame::PauseDownload() {
    if (job_) {
        if (!job_->downloader->IsFinished()) {
            job_->downloader->Pause();
        }
        job_->state.SetPaused(true);
    }
    DrawPauseButton();
}

void CMainFrame::ResumeDownload() {
    if (job_) {
        if (!job_->downloader->IsDownloading()) {
            job_->downloader->Resume();
        }
        job_->state.SetPaused(false);
    }
    DrawPauseButton();
}

// The pause button and the status line as the job's state has them.
void CMainFrame::DrawPauseButton() {
    const bool paused = job_ && job_->state.paused();
    const MainFrameTexts& texts = TextsFor(chinese());
    SetText(pauseBtn_, paused ? texts.resume : texts.pause);
    SetText(status_, paused ? texts.statusPaused : texts.statusDownloading);
}

// The per-second refresh asked for by the progress thread while a transfer runs. A pause the
// user chose in the meantime stays.
void CMainFrame::RefreshDownloadTexts() {
    if (!job_) {
        return;
    }
    const InstallSnapshot state = job_->state.Read();
    if (state.stage == InstallStage::Downloading && !state.paused) {
        DrawPauseButton();
    }
}

void CMainFrame::LaunchInstalled() {
    OutputDebugStringW(programPath_.c_str());
    OpenForDesktopUser(programPath_, installDir_, "installed program");
    PostQuitMessage(0);
}
