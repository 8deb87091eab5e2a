#include "installer/silent_install.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "app/config_selection.h"
#include "app/log.h"
#include "app/text_convert.h"
#include "download/proxy_auth.h"
#include "installer/install_settings.h"
#include "installer/install_start.h"
#include "installer/installer_exit.h"
#include "installer/main_frame_texts.h"
#include "installer/silent_session_end.h"
#include "report/interval_clock.h"
#include "report/report_hosts.h"
#include "report/step_report.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"
#include "sysinfo/processor_support.h"

namespace {
const char kTag[] = "Silent";
const DWORD kFirstConfigPauseMs = 2000;
const DWORD kMaxConfigPauseMs = 60000;
const int kChecksumFailuresRefused = 2;

[[noreturn]] void End(int code, const char* what) {
    LogI(kTag, "exit code ", code, ": ", what);
    EndInstaller(code);
}

// A proxy that still asks who we are will not change its mind: nobody can be asked here.
void EndIfProxyRefused() {
    if (ProxyAuth::Process().Refused()) {
        LogE(kTag, ProxyAuth::Process().RefusedText());
        End(kExitProxyAuthRequired, "proxy authentication required");
    }
}

// Between two configuration attempts: a growing pause, until the limit is spent.
class ConfigRetry {
public:
    explicit ConfigRetry(DWORD limitMs) : limitMs_(limitMs), started_(GetTickCount()) {}

    void operator()(ConfigFailure failure) {
        EndIfProxyRefused();
        const bool refused = failure == ConfigFailure::Refused;
        const DWORD elapsed = GetTickCount() - started_;
        if (elapsed >= limitMs_) {
            LogE(kTag, "no usable configuration within ", limitMs_ / 1000, " s; the last was ",
                 refused ? "refused" : "unreachable");
            End(refused ? kExitConfigRefused : kExitConfigUnreachable,
                refused ? "configuration refused" : "configuration unreachable");
        }
        const DWORD pause = std::min(pause_, limitMs_ - elapsed);
        LogI(kTag, "configuration ", refused ? "refused" : "unreachable", ", next attempt in ",
             static_cast<unsigned>(pause), " ms");
        Sleep(pause);
        pause_ = std::min(pause_ * 2, kMaxConfigPauseMs);
    }

private:
    DWORD limitMs_;
    DWORD started_;
    DWORD pause_ = kFirstConfigPauseMs;
};

// The checks the window makes when it opens; where it would show a box that ends the
// installer, the run ends with its code.
void CheckMachine() {
    if (!IsProcessorSupported()) {
        LogE(kTag, "processor not supported: ", GetProcessorNameAnsi());
        End(kExitSystemUnsupported, "processor not supported");
    }
    if (IsXpSp3()) {
        LogW(kTag, "Windows XP: the product runs, with less of its effects");
    } else if (IsOlderThanXpSp3()) {
        LogE(kTag, "Windows older than XP with Service Pack 3");
        End(kExitSystemUnsupported, "system not supported");
    }
}

int CodeFor(PackageOutcome outcome, DWORD packageCode) {
    switch (outcome) {
        case PackageOutcome::Succeeded:
            return kExitInstalled;
        case PackageOutcome::SucceededRestartNeeded:
            // Passed on as it is: deployment tools read it as "installed, restart pending".
            return packageCode == kExitRebootInitiated ? kExitRebootInitiated : kExitRebootRequired;
        case PackageOutcome::Refused:
            return kExitPackageRefused;
        case PackageOutcome::Failed:
            return kExitPackageFailed;
        case PackageOutcome::NotRun:
        default:
            return kExitDownloadFailed;
    }
}

const char* DescribeOutcome(PackageOutcome outcome) {
    switch (outcome) {
        case PackageOutcome::Succeeded:
            return "installed";
        case PackageOutcome::SucceededRestartNeeded:
            return "installed; Windows must restart to finish";
        case PackageOutcome::Refused:
            return "package refused";
        case PackageOutcome::Failed:
            return "package failed";
        case PackageOutcome::NotRun:
        default:
            return "no verified package to run";
    }
}

// Waits for the job's end, for the download to go wrong for good (EndInstaller stops it, so
// the bytes received are written out), or for the package to outlast its bound. It wakes when
// the job's state changes, or when a bound runs out.
[[noreturn]] void WatchJob(InstallJob& job, const SilentLimits& limits) {
    InstallSnapshot seen = job.state.Read();
    DWORD lastProgress = GetTickCount();
    bool packageSeen = false;
    DWORD packageStart = 0;
    for (;;) {
        const DWORD now = GetTickCount();
        DWORD wait = INFINITE;
        if (packageSeen) {
            const DWORD ran = now - packageStart;
            wait = ran >= limits.packageMs ? 0 : limits.packageMs - ran;
        } else if (seen.stage == InstallStage::Downloading) {
            const DWORD still = now - lastProgress;
            wait = still >= limits.stallMs ? 0 : limits.stallMs - still;
        }
        const InstallSnapshot state = job.state.WaitForChange(seen.version, wait);
        EndIfProxyRefused();
        if (state.stage == InstallStage::Finished) {
            End(CodeFor(state.outcome, state.packageExitCode), DescribeOutcome(state.outcome));
        }
        if (state.packageRunning && !packageSeen) {
            packageSeen = true;
            packageStart = GetTickCount();
        } else if (packageSeen && GetTickCount() - packageStart >= limits.packageMs) {
            // A package that never ends must not hold a deployment for ever. Ending it could
            // leave the machine half installed: it goes on, and may still finish.
            LogE(kTag, "the package has not ended after ", limits.packageMs / 1000,
                 " s; it is left running and the run ends");
            ReportStepWithInterval(kStepSetupFailed);
            End(kExitPackageFailed, "package did not end in time");
        }
        if (state.download.checksumFailuresInARow >= kChecksumFailuresRefused) {
            LogE(kTag, "the package failed its checksum on ", kChecksumFailuresRefused,
                 " whole downloads in a row");
            End(kExitPackageRefused, "package refused");
        }
        // Short of room before the transfer: nobody will make room for an unattended run.
        const DiskShortage& shortage = state.download.diskShortage;
        if (shortage.active && !shortage.duringTransfer) {
            LogE(kTag, "not enough disk space on ", shortage.volume, ": ", shortage.needed,
                 " bytes needed, ", shortage.freeBytes, " free");
            End(kExitNotEnoughDiskSpace, "not enough disk space");
        }
        if (state.download.bytesWritten != seen.download.bytesWritten ||
            state.stage != InstallStage::Downloading) {
            lastProgress = GetTickCount();
        } else if (GetTickCount() - lastProgress >= limits.stallMs) {
            if (shortage.active) {
                LogE(kTag, "the disk is full: not enough disk space on ", shortage.volume, ": ",
                     shortage.needed, " bytes needed, ", shortage.freeBytes, " free");
            }
            LogE(kTag, "no byte of the package for ", limits.stallMs / 1000,
                 " s; the part downloaded stays for the next run");
            End(kExitDownloadFailed, "download failed");
        }
        seen = state;
    }
}
}  // namespace

void RunSilentInstall(const std::wstring& folder, const SilentLimits& limits) {
    LogI(kTag,
         "silent install: the administrator accepts the user agreement on the"
         " machine's behalf");
    StartSessionEndWatch();
    InstallSettings settings(GetConfigSelection().configUrl,
                             InstallSettings::FailurePrompt(ConfigRetry(limits.configMs)));
    // What the window does when it is created: the reporting host by language, the first step.
    const LANGID language = GetUserDefaultLangID();
    SetReportBaseUrl(OperateEndpointFor(language));
    ReportStepNow(kStepDownloaderStart);
    CheckMachine();
    const std::wstring target = folder.empty() ? settings.installPath() : folder;
    LogI(kTag, "install folder: ", WideToAnsi(target));
    GetIntervalText(0);
    const std::shared_ptr<InstallJob> job =
        StartInstallJob(settings.packages(), target, nullptr, IsChineseLanguage(language));
    if (!job || job->noPackageFolder) {
        End(kExitNoSafePackageFolder, "no safe package folder");
    }
    WatchJob(*job, limits);
}
