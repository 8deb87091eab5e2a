#pragma once
// Running the downloaded setup package silently: its command line, where the product lands, and
// the process run itself.
#include <string>

struct InstallTarget {
    std::wstring commandLine;  // "<setup>" /S /D=<folder>\Velmora\ (no doubled backslash)
    std::wstring installDir;   // the folder the package installs into, ending in "Velmora\"
    std::wstring programPath;  // installDir + "Velmora.exe"
};

// The package run for a destination folder as the user typed or chose it.
InstallTarget MakeInstallTarget(const std::wstring& setupPath, const std::wstring& folder);

// Starts commandLine (no window, high priority) in currentDirectory ("" = ours) and, when wait
// is set, waits for it. True when the process started and its exit code is 0. Logs the outcome.
bool RunProcess(const std::wstring& commandLine, bool wait,
                const std::wstring& currentDirectory = std::wstring());
