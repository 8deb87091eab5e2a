#include "installer/install_start.h"

#include "app/channel.h"
#include "app/log.h"
#include "app/text_convert.h"
#include "download/tiny_download.h"
#include "installer/installer_exit.h"
#include "installer/package_folder.h"
#include "installer/publisher_pin.h"

namespace {
const char kTag[] = "CMainFrame";
const wchar_t kPackageName[] = L"Setup.exe";
}  // namespace

std::shared_ptr<InstallJob> StartInstallJob(const std::vector<PackageEntry>& packages,
                                            const std::wstring& folder, HWND window, bool chinese) {
    // Without a safe folder nothing is downloaded: the job ends as for a refused package.
    const std::wstring packageFolder = PreparePackageFolder();
    auto job = std::make_shared<InstallJob>();
    job->window = window;
    job->chinese = chinese;
    job->noPackageFolder = packageFolder.empty();
    job->setupPath = packageFolder + L"\\" + kPackageName;
    LogT(kTag, "dest path: ", WideToAnsi(job->setupPath));
    job->folder = folder;
    job->target = MakeInstallTarget(job->setupPath, folder);
    job->publisherPin = ConfiguredPublisherPin();
    // The previous downloader goes with the previous job once its threads are done with it.
    job->downloader = std::make_shared<CTinyDownload>();
    // However the run ends from here on, what this download received is written out first.
    SetDownloadStoppedAtExit(job->downloader);
    // The package is saved under the name it is run by, whatever the address ends in: the
    // file that is checked is the file that runs. Whole texts, never cut: what does not fit
    // the downloader's fields it refuses itself.
    const std::string savePath = WideToAnsi(job->setupPath);
    for (const PackageEntry& entry :
         packageFolder.empty() ? std::vector<PackageEntry>() : packages) {
        if (!job->downloader->AddDownloadWork(entry.address, savePath, entry.checksum)) {
            LogE(kTag, "the downloader refused the package ", entry.address,
                 ", nothing will be installed");
        }
    }
    if (!packageFolder.empty()) {
        WriteChannelFile(packageFolder);
    }
    // The install folder's volume must take the installed product too, when its size is known.
    if (!packages.empty() && packages.front().installSizeMiB > 0) {
        job->downloader->SetInstallSpace(WideToAnsi(job->target.installDir),
                                         packages.front().installSizeMiB << 20);
    }
    job->state.StartDownload();
    job->downloader->StartDownloadThread();
    StartDownloadProgressThread(job);
    return job;
}
