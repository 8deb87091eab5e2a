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

// The standard output the installer was started with, duplicated before the log takes over
// the C runtime's stdout (which closes the handle it held and makes the log the process's
// standard output handle).
HANDLE& KeptOutput() {
    static HANDLE kept = INVALID_HANDLE_VALUE;
    return kept;
}

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
        "  /LOG=<file>  Write the log to <file>; a file that cannot be written ends the run\r\n"
        "               with exit code 1. Without it: %APPDATA%\\Velmorainstaller.log, but\r\n"
        "               a run as administrator with /S (or as SYSTEM) writes\r\n"
        "               %ProgramFiles%\\Velmora Installer\\release\\Velmorainstaller.log\r\n"
        "               and prints its path as the first line of standard output.\r\n"
        "  /?, /help    This text.\r\n"
        "Switches are case-insensitive and may start with / or -. /S anywhere on the line\r\n"
        "makes the run silent, even when the rest of the line is bad.\r\n"
        "\r\n"
        "A deployment tool's command (as administrator or SYSTEM; /D= comes last):\r\n"
        "  start /wait VelmoraInstaller.exe /S /LOG=C:\\Windows\\Temp\\velmora-setup.log\r\n"
        "      /D=C:\\Program Files\\Velmora Apps\r\n"
        "(one line). 3010 and 1641 are successes: Windows must restart to finish.\r\n"
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

void KeepStandardOutput() {
    HANDLE inherited = GetStdHandle(STD_OUTPUT_HANDLE);
    if (KeptOutput() != INVALID_HANDLE_VALUE || inherited == nullptr ||
        inherited == INVALID_HANDLE_VALUE || GetFileType(inherited) == FILE_TYPE_UNKNOWN) {
        return;
    }
    HANDLE self = GetCurrentProcess();
    HANDLE copy = nullptr;
    if (DuplicateHandle(self, inherited, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        KeptOutput() = copy;  // held for the whole run
    }
}

bool WriteToStandardOutput(const std::string& text) {
    HANDLE inherited = KeptOutput();
    if (inherited == INVALID_HANDLE_VALUE) {
        inherited = GetStdHandle(STD_OUTPUT_HANDLE);
    }
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
