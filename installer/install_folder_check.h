#pragma once
// Whether a folder given on the command line can be the install folder: what a folder chosen
// in the folder browser always is, and what the package needs of it.
#include <string>

struct FolderCheck {
    bool ok = false;
    std::string reason;  // why not, for the log
};

// The product lands in folder\Velmora\ (the whole path of its program must fit MAX_PATH).
constexpr size_t kMaxInstallFolderLength = 239;

// Absolute ("X:\..."), on a local fixed drive, not longer than kMaxInstallFolderLength, no
// characters that a file name cannot hold, no "." or ".." parts and no part ending in a blank
// or a dot. driveType is GetDriveTypeW (tests pass another).
FolderCheck CheckInstallFolder(const std::wstring& folder,
                               unsigned (*driveType)(const wchar_t* root) = nullptr);
