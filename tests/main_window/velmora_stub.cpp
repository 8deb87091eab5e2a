// Stands in for the installed product in tests: records that it was started, with its folder
// and working directory, in "launched.txt" beside itself, and ends.
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
    std::fprintf(file, "exe=%ls\ncwd=%ls\n", self, cwd);
    std::fclose(file);
    return 0;
}
