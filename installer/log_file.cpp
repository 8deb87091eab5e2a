// replaced by the protected folder
#include "installer/log_file.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdio>

void OpenInstallerLog(const std::wstring& requestedPath) {
    if (!requestedPath.empty()) {
        OutputDebugStringW((requestedPath + L"\n").c_str());
        _wfreopen(requestedPath.c_str(), L"w", stdout);
        return;
    }
    char folder[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE)) {
        return;
    }
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\Velmorainstaller.log", folder);
    OutputDebugStringA(path);
    OutputDebugStringA("\n");
    std::freopen(path, "w", stdout);
}
