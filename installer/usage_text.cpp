#include "installer/usage_text.h"

#include <windows.h>

#include "app/scoped_handles.h"
#include "installer/exit_codes.h"

namespace {

struct ExitCodeLine {
    int code;
    const char* meaning;
};

const ExitCodeLine kExitCodes[] = {
    {kExitInstalled, "installed (a run without /S always ends with 0)"},
    {kExitBadCommandLine, "bad command line"},
    {kExitEndedBySystem, "ended by the system (log-off or shutdown)"},
    {kExitConfigUnreachable, "configuration unreachable"},
    {kExitConfigRefused, "configuration refused"},
    {kExitSystemUnsupported, "Windows or processor not supported"},
    {kExitDownloadFailed, "download failed"},
    {kExitPackageRefused, "package refused"},
    {kExitPackageFailed, "package failed"},
    {kExitAnotherInstallerRunning, "another installer running"},
    {kExitNoSafePackageFolder, "no safe package folder"},
    {kExitComUnavailable, "COM could not be started"},
    {kExitNotEnoughDiskSpace, "not enough disk space"},
    {kExitProxyAuthRequired, "proxy authentication required"},
    {kExitRebootInitiated, "installed; the package is restarting Windows"},
    {kExitRebootRequired, "installed; Windows must restart to finish"},
};

bool WriteAll(HANDLE out, const std::string& text) {
    DWORD written = 0;
    return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

std::string UsageText() {
    std::string text =
        "Velmora installer\r\n"
        "\r\n"
        "VelmoraInstaller.exe [/S] [/LOG=<file>] [/D=<folder>]\r\n"
        "VelmoraInstaller.exe /?\r\n"
        "\r\n"
        "  /S           Silent: no window and no question; the log and the exit code tell\r\n"
        "               what happened. Running with /S is the administrator accepting the\r\n"
        "               Velmora user agreement on the machine's behalf.\r\n"
        "  /D=<folder>  Install into <folder>\\Velmora. An absolute folder on a local fixed\r\n"
        "               drive; last on the line, may contain spaces, no quotes. Without /S it\r\n"
        "               fills the window's folder field.\r\n"
        "  /LOG=<file>  Write the log to <file> instead of %APPDATA%\\Velmorainstaller.log.\r\n"
        "  /?, /help    This text.\r\n"
        "Switches are case-insensitive and may start with / or -.\r\n"
        "\r\n"
        "Exit codes:\r\n";
    for (const ExitCodeLine& line : kExitCodes) {
        text += "  " + std::to_string(line.code) + "  " + line.meaning + "\r\n";
    }
    return text;
}

std::wstring UsageBoxText() {
    // One switch group a line: the box is narrow, and a switch broken at its slash reads badly.
    return L"VelmoraInstaller.exe /S\n"
           L"    /LOG=file /D=folder\n"
           L"/S: silent; the administrator accepts the user agreement on the machine's "
           L"behalf. /D= comes last. Exit codes: see the README.";
}

bool WriteToStandardOutput(const std::string& text) {
    HANDLE inherited = GetStdHandle(STD_OUTPUT_HANDLE);
    if (inherited != nullptr && inherited != INVALID_HANDLE_VALUE &&
        GetFileType(inherited) != FILE_TYPE_UNKNOWN && WriteAll(inherited, text)) {
        return true;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;
    }
    ScopedHandle console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
    const bool ok = console.valid() && WriteAll(console.get(), "\r\n" + text);
    console.reset();
    FreeConsole();
    return ok;
}
