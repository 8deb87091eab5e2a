// replaced by the protected folder
#include "installer/package_folder.h"

#include <windows.h>

#include <shlobj.h>

#include "app/log.h"

namespace {
const char kTag[] = "CMainFrame";
const char kDownloadSubfolder[] = "BranoInst\\VLInst";

std::wstring AnsiToWide(const std::string& text) {
    const int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (units <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units) - 1);
    return wide;
}
}  // namespace

std::wstring PreparePackageFolder() {
    char appData[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE)) {
        LogE(kTag, "no application-data folder for the package");
        return std::wstring();
    }
    // The downloader makes the folder when it is given the package's path.
    return AnsiToWide(std::string(appData) + "\\" + kDownloadSubfolder);
}
