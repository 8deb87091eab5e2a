// What stands in the download's way, on the main window's pages: a disk without room (with
// "Retry" and, when the install folder is short, the way back to the folder field), a network
// that is gone (the countdown to the next attempt), a package that was refused; and the logo
// that high contrast, which draws no background picture, shows by itself.
#include "app/log.h"
#include "download/tiny_download.h"
#include "installer/install_flow.h"
#include "installer/main_frame.h"
#include "installer/progress_texts.h"
#include "skinui/controls/controls.h"
#include "skinui/core/high_contrast.h"

namespace {
const char kTag[] = "CMainFrame";

void Show(SkinUI::CControlUI* control, bool shown) {
    if (control) {
        control->SetVisible(shown);
    }
}
}  // namespace

void CMainFrame::ShowObstacle(const DownloadObstacle& obstacle) {
    using Kind = DownloadObstacle::Kind;
    const bool disk = obstacle.kind == Kind::DiskSpace;
    if (obstacle_) {
        obstacle_->SetText(obstacle.text.c_str());
    }
    Show(obstacle_, obstacle.kind != Kind::None);
    Show(spaceRetry_, disk);
    Show(spaceFolder_, disk && obstacle.installVolume);
    const int kind = static_cast<int>(obstacle.kind);
    if (kind != obstacleKind_ && obstacle.kind != Kind::None) {
        manager_.AnnounceAccessible(obstacle_);
        // Nothing moves until the user makes room: the window comes back to say so.
        if (disk && stage_ == 1) {
            ShowWnd(true, true);
            RemoveTrayIcon();
        }
    }
    obstacleKind_ = kind;
}

bool CMainFrame::OnObstacleClick(SkinUI::CControlUI* sender) {
    if (sender == nullptr) {
        return false;
    }
    if (sender == spaceRetry_) {
        if (job_) {
            job_->downloader->RecheckSpaceNow();
        }
        return true;
    }
    if (sender == spaceFolder_) {
        ChooseAnotherFolder();
        return true;
    }
    return false;
}

// Back to the folder field: the job ends (its downloaded bytes stay for the next one, which
// resumes them) and the start page shows again.
void CMainFrame::ChooseAnotherFolder() {
    LogI(kTag, "another install folder is chosen: the download stops, its bytes stay");
    if (job_) {
        job_->state.Abandon();
        job_->downloader->Stop(10000);
        job_.reset();
    }
    ShowObstacle(DownloadObstacle());
    stage_ = 0;
    if (auto* layout = dynamic_cast<SkinUI::CTabLayoutUI*>(switch_)) {
        layout->SelectItem(0);
    }
    if (destEdit_) {
        manager_.FocusControlLater(destEdit_);
    }
}

void CMainFrame::ShowFailureReason() {
    const bool refused = job_ && job_->state.Read().outcome == PackageOutcome::Refused;
    Show(failReason_, refused);
    Show(manualLink_, refused);
}

void CMainFrame::ShowLogoForContrast() {
    SkinUI::RefreshHighContrast();
    Show(contrastLogo_, SkinUI::IsHighContrastOn());
}
