#include "installer/install_folder_check.h"

#include <windows.h>

#include <cwctype>

namespace {

FolderCheck Refuse(const std::string& reason) {
    FolderCheck check;
    check.reason = reason;
    return check;
}

unsigned SystemDriveType(const wchar_t* root) {
    return GetDriveTypeW(root);
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

FolderCheck CheckInstallFolder(const std::wstring& folder,
                               unsigned (*driveType)(const wchar_t* root)) {
    if (folder.size() < 3 || !IsDriveLetter(folder[0]) || folder[1] != L':' || folder[2] != L'\\') {
        return Refuse("not an absolute path on a drive (X:\\...)");
    }
    if (folder.size() > kMaxInstallFolderLength) {
        return Refuse("longer than " + std::to_string(kMaxInstallFolderLength) + " characters");
    }
    for (size_t i = 2; i < folder.size(); ++i) {
        const wchar_t c = folder[i];
        if (c < 32 || (c == L':') || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
            c == L'>' || c == L'|' || c == L'/') {
            return Refuse("a character a folder name cannot hold at position " +
                          std::to_string(i + 1));
        }
    }
    // Each part between backslashes (an empty part is a doubled backslash).
    size_t start = 3;
    while (start < folder.size()) {
        size_t end = folder.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = folder.size();
        }
        const std::wstring part = folder.substr(start, end - start);
        if (part.empty() && end < folder.size()) {
            return Refuse("an empty folder name (doubled backslash)");
        }
        if (part == L"." || part == L"..") {
            return Refuse("a relative part (. or ..)");
        }
        if (!part.empty() && (part.back() == L' ' || part.back() == L'.')) {
            return Refuse("a folder name ending in a blank or a dot");
        }
        start = end + 1;
    }
    const wchar_t root[] = {static_cast<wchar_t>(std::towupper(folder[0])), L':', L'\\', 0};
    const unsigned type = (driveType ? driveType : &SystemDriveType)(root);
    if (type != DRIVE_FIXED) {
        return Refuse("drive " + std::string(1, static_cast<char>(root[0])) +
                      ": is not a local fixed drive (type " + std::to_string(type) + ")");
    }
    FolderCheck check;
    check.ok = true;
    return check;
}
