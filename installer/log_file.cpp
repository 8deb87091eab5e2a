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

// The process runs as the machine's own account (LocalSystem), as deployment services do.
bool RunsAsSystem() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    ScopedHandle held(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size == 0 || !GetTokenInformation(token, TokenUser, &buffer[0], size, &size)) {
        return false;
    }
    const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    return IsWellKnownSid(user->User.Sid, WinLocalSystemSid) != FALSE;
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

bool OpenInstallerLog(const std::wstring& requestedPath, bool silent, std::string* failure) {
    // Nobody looks in the system profile's roaming folder, nor in an administrator's own one
    // for a run a deployment tool started: such a run writes where only administrators write.
    std::string usualRefused;
    std::wstring wanted = requestedPath;
    if (wanted.empty() && (silent || RunsAsSystem()) && ProcessIsAdministrator()) {
        const std::wstring folder = PrepareProtectedPackageFolder(&usualRefused);
        if (!folder.empty()) {
            wanted = folder + L"\\" + kLogName;
        }
    }
    if (wanted.empty()) {
        wanted = UsualLogPath();
    }
    if (wanted.empty()) {
        return true;
    }
    OutputDebugStringW((wanted + L"\n").c_str());
    std::string refused;
    ScopedHandle file = OpenLogFile(wanted, &refused);
    std::wstring path = wanted;
    if (!file.valid() && !requestedPath.empty()) {
        // The administrator asked for that file: a log written elsewhere would be a lost log.
        *failure = refused.empty() ? "cannot write " + WideToAnsi(wanted) : refused;
        return false;
    }
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
        if (!requestedPath.empty()) {
            *failure = "cannot write " + WideToAnsi(wanted);
            return false;
        }
        return true;
    }
    LogPath() = path;
    if (!usualRefused.empty()) {
        LogW(kTag, "no package folder for the log (", usualRefused, "); it is written to ",
             WideToAnsi(path));
    }
    if (path != wanted) {
        LogW(kTag, "log file ", WideToAnsi(wanted), " refused: ", refused,
             "; the log is written to ", WideToAnsi(path));
    }
    const std::string markerNote = ConfigMarkerNote();
    if (!markerNote.empty()) {
        LogW("ConfigSelection", markerNote);
    }
    return true;
}
