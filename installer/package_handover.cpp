#include "installer/package_handover.h"

#include "app/log.h"
#include "app/text_convert.h"
#include "download/locked_file.h"
#include "download/tiny_download.h"
#include "installer/package_folder.h"

namespace {
const char kTag[] = "CMainFrame";
}  // namespace

ScopedHandle TakeVerifiedPackage(CTinyDownload& downloader, const std::wstring& setupPath) {
    const std::string path = WideToAnsi(setupPath);
    if (downloader.GetWorkCount() == 0) {
        LogE(kTag, "no package was accepted for download, not running ", path);
        return ScopedHandle();
    }
    ScopedHandle held = downloader.TakeVerifiedFile(0);
    if (!held.valid()) {
        LogE(kTag, "the package was not verified, not running ", path);
        return ScopedHandle();
    }
    if (!HandleNamesPath(held.get(), setupPath)) {
        LogE(kTag, "the verified package is not the file ", path, ", not running it");
        return ScopedHandle();
    }
    std::string why;
    if (!CheckPackageFolderBeforeRun(FolderOf(setupPath), &why)) {
        LogE(kTag, "the package folder is not as this installer left it, not running ", path, ": ",
             why);
        return ScopedHandle();
    }
    return held;
}

void SetPackageAside(ScopedHandle held, const std::wstring& setupPath) {
    held.reset();
    const std::wstring aside = setupPath + L".rejected";
    if (MoveFileExW(setupPath.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        LogI(kTag, "refused package moved to ", WideToAnsi(aside));
    } else if (!DeleteFileW(setupPath.c_str())) {
        LogE(kTag, "cannot move or delete the refused package ", WideToAnsi(setupPath),
             ", code=", static_cast<unsigned long>(GetLastError()));
    }
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}
