#include "installer/log_file.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdio>

#include "app/config_selection.h"
#include "app/log.h"
#include "app/no_follow.h"
#include "app/scoped_handles.h"
#include "app/text_convert.h"
#include "installer/package_folder.h"

namespace {
const char kTag[] = "Log";
const wchar_t kLogName[] = L"Velmorainstaller.log";

std::wstring& LogPath() {
    static std::wstring path;
    return path;
}

std::wstring UsualLogPath() {
    wchar_t folder[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return std::wstring();
    }
    return std::wstring(folder) + L"\\" + kLogName;
}

// Opened for writing and emptied only once it is known to be a file of its own.
ScopedHandle OpenLogFile(const std::wstring& path, std::string* why) {
    ScopedHandle file = OpenFileNoFollow(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, why);
    if (file.valid() && !SetEndOfFile(file.get())) {
        *why = "cannot empty " + WideToAnsi(path) + " (error " +
               std::to_string(static_cast<unsigned long>(GetLastError())) + ")";
        return ScopedHandle();
    }
    return file;
}

// Puts the file under standard output, as a text stream as freopen(path, "w") would make it.
bool AttachToStandardOutput(ScopedHandle file) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        return false;
    }
    file.release();  // the descriptor owns it now
    // A program without a console may start without a usable standard output stream.
    if (!std::freopen("NUL", "w", stdout)) {
        _close(fd);
        return false;
    }
    const bool attached = _dup2(fd, _fileno(stdout)) == 0;
    _close(fd);
    return attached;
}
}  // namespace

std::wstring InstallerLogPath() {
    return LogPath();
}

void OpenInstallerLog(const std::wstring& requestedPath) {
    const std::wstring wanted = requestedPath.empty() ? UsualLogPath() : requestedPath;
    if (wanted.empty()) {
        return;
    }
    OutputDebugStringW((wanted + L"\n").c_str());
    std::string refused;
    ScopedHandle file = OpenLogFile(wanted, &refused);
    std::wstring path = wanted;
    if (!file.valid() && ProcessIsAdministrator()) {
        // Written as administrator, the log must not land where a link points: it goes where
        // only administrators write.
        std::string why;
        const std::wstring folder = PrepareProtectedPackageFolder(&why);
        if (!folder.empty()) {
            path = folder + L"\\" + kLogName;
            file = OpenLogFile(path, &why);
        }
    }
    if (!file.valid() || !AttachToStandardOutput(std::move(file))) {
        OutputDebugStringA(("no log file: " + refused + "\n").c_str());
        return;
    }
    LogPath() = path;
    if (path != wanted) {
        LogW(kTag, "log file ", WideToAnsi(wanted), " refused: ", refused,
             "; the log is written to ", WideToAnsi(path));
    }
    const std::string markerNote = ConfigMarkerNote();
    if (!markerNote.empty()) {
        LogW("ConfigSelection", markerNote);
    }
}
