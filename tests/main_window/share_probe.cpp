// Tries, as any other program of the user could, to change a file: open it for writing, delete
// it, rename it, and put another file in its place. Writes what each try got (0 = it worked,
// otherwise the system error) to a report, with its own path and working folder.
//
//   share_probe.exe <file> <report>   probes <file>
//   share_probe.exe /S /D=<folder>\   run as a setup package: probes its own file and writes
//                                     <folder>probe.txt
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {
DWORD Outcome(BOOL worked) {
    return worked ? 0 : GetLastError();
}

DWORD TryWrite(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(h);
    return 0;
}

DWORD TryReplace(const std::wstring& path) {
    const std::wstring other = path + L".swap";
    HANDLE h = CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD written = 0;
    WriteFile(h, "MZ not the package", 18, &written, nullptr);
    CloseHandle(h);
    const DWORD result =
        Outcome(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    DeleteFileW(other.c_str());
    return result;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t cwd[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::wstring target, report;
    // As a package: the folder is the rest of the command line after "/D=", blanks included.
    const wchar_t* folderArg = std::wcsstr(GetCommandLineW(), L" /D=");
    if (argc >= 3 && std::wcscmp(argv[1], L"/S") == 0 && folderArg) {
        target = self;
        const std::wstring folder = folderArg + 4;
        for (size_t i = folder.find(L'\\', 3); i != std::wstring::npos;
             i = folder.find(L'\\', i + 1)) {
            CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
        }
        report = folder + L"probe.txt";
    } else if (argc == 3) {
        target = argv[1];
        report = argv[2];
    } else {
        return 2;
    }
    const DWORD write = TryWrite(target);
    const DWORD remove = Outcome(DeleteFileW(target.c_str()));
    const std::wstring moved = target + L".moved";
    const DWORD rename = Outcome(MoveFileW(target.c_str(), moved.c_str()));
    if (rename == 0) {
        MoveFileW(moved.c_str(), target.c_str());
    }
    const DWORD replace = TryReplace(target);
    FILE* out = _wfopen(report.c_str(), L"wb");
    if (!out) {
        return 3;
    }
    std::fprintf(out, "exe=%ls\ncwd=%ls\nwrite=%lu\ndelete=%lu\nrename=%lu\nreplace=%lu\n", self,
                 cwd, write, remove, rename, replace);
    std::fclose(out);
    return 0;
}
