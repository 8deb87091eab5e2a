#pragma once
// The destination-folder chooser behind the main window's "browse" button: the Windows
// folder browser, shown modally, and the folder it gave.
#include <windows.h>

#include <string>

class OpenDirectoryDialog {
public:
    OpenDirectoryDialog() = default;

    // Shows the browser, owned by `owner` (which takes no input meanwhile), and keeps its
    // answer: empty after a cancel, unchanged when the chosen item has no file-system path.
    // Always returns 0.
    int Open(HWND owner = nullptr);

    // The chosen folder as the shell gave it (a drive root keeps its trailing backslash).
    std::wstring selected() const { return selected_; }

private:
    std::wstring selected_;
};
