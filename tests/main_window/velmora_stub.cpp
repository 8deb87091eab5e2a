// Stands in for the installed product in tests: records that it was started, with its folder,
// working directory and command line, in "launched.txt" beside itself, and ends. Registered as
// the web browser, it records the address a link opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t cwd[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, cwd);
    wchar_t marker[MAX_PATH + 16] = L"";
    wcsncpy(marker, self, MAX_PATH);
    wchar_t* slash = wcsrchr(marker, L'\\');
    if (!slash) {
        return 1;
    }
    wcscpy(slash + 1, L"launched.txt");
    FILE* file = _wfopen(marker, L"w");
    if (!file) {
        return 1;
    }
    std::fprintf(file, "exe=%ls\ncwd=%ls\ncmd=%ls\n", self, cwd, GetCommandLineW());
    std::fclose(file);
    return 0;
}
