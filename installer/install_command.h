#pragma once
// Running the downloaded setup package silently: its command line, where the product lands, and
// the process run itself.
#include <windows.h>

#include <string>

struct InstallTarget {
    std::wstring commandLine;  // "<setup>" /S /D=<folder>\Velmora\ (no doubled backslash)
    std::wstring installDir;   // the folder the package installs into, ending in "Velmora\"
    std::wstring programPath;  // installDir + "Velmora.exe"
};

// The package run for a destination folder as the user typed or chose it.
InstallTarget MakeInstallTarget(const std::wstring& setupPath, const std::wstring& folder);

// How a process run ended, as far as it could be seen.
struct ProcessRun {
    bool started = false;   // the process was created
    bool ended = false;     // it had ended when its exit code was read
    bool codeRead = false;  // it had ended and its exit code could be read
    DWORD code = 0;         // that exit code (STILL_ACTIVE while it runs)
    DWORD readError = 0;    // GetExitCodeProcess's error, when it failed
    bool succeeded() const { return codeRead && code == 0; }
};

// Waits for a started process when wait is set, then reads its exit code.
ProcessRun ReadProcessEnd(HANDLE process, bool wait);

// Starts commandLine (no window, high priority) in currentDirectory ("" = ours) and, when wait
// is set, waits for it as long as it runs. Logs the exit code ("... return <code>"), or that it
// could not be read.
ProcessRun RunProcessToEnd(const std::wstring& commandLine, bool wait,
                           const std::wstring& currentDirectory = std::wstring());

// The same, true only when the process started, ended and its exit code is 0.
bool RunProcess(const std::wstring& commandLine, bool wait,
                const std::wstring& currentDirectory = std::wstring());
