// What the system does to a silent installer, and what a test asks about its windows:
//   session_helper endsession <exe>  as Windows ends a session: finds the top-level windows of
//                                    every process named <exe> (EnumWindows, by process id),
//                                    sends each WM_QUERYENDSESSION, then WM_ENDSESSION (ending);
//                                    exit code 0 when it found any
//   session_helper end <class>       the same to the top-level window of that class
//   session_helper toplevel          every top-level window: class, visible|hidden, process id
//   session_helper station <line>    runs <line> on a window station of its own that is not
//                                    interactive (as a service's); its exit code is <line>'s
//                                    (100 and up: the helper failed, said on standard output)
//   session_helper respond <class>   exit code 0 when the top-level window of that class
//                                    answers a message within 3 s
//   session_helper count <exe>       prints how many processes named <exe> run
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {
BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::wprintf(L"%ls\t%ls\t%lu\n", name, IsWindowVisible(window) ? L"visible" : L"hidden",
                 static_cast<unsigned long>(process));
    return TRUE;
}

std::set<DWORD> ProcessesNamed(const std::wstring& exe) {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, exe.c_str()) == 0) {
            ids.insert(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return ids;
}

struct Search {
    std::set<DWORD> processes;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (search.processes.count(process)) {
        search.windows.push_back(window);
    }
    return TRUE;
}

int EndSession(const std::vector<HWND>& windows) {
    if (windows.empty()) {
        return 1;
    }
    // First every window is asked, then every one is told, as Windows does.
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        const LRESULT sent = SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                                 SMTO_BLOCK, 5000, &answer);
        wchar_t name[256] = {};
        GetClassNameW(window, name, 256);
        std::printf("%ls: query answered %lu%s\n", name, static_cast<unsigned long>(answer),
                    sent ? "" : " (no answer in time)");
    }
    std::fflush(stdout);
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                            &answer);
    }
    return 0;
}

int RunOnOwnStation(const std::wstring& line) {
    // No WSF_VISIBLE: what a service's window station is.
    HWINSTA station = CreateWindowStationW(L"VelmoraTestStation", 0, WINSTA_ALL_ACCESS, nullptr);
    if (!station) {
        std::printf("no window station (error %lu)\n", GetLastError());
        return 100;
    }
    HWINSTA own = GetProcessWindowStation();
    if (!SetProcessWindowStation(station)) {
        std::printf("cannot switch window station (error %lu)\n", GetLastError());
        return 101;
    }
    HDESK desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    if (!desktop) {
        std::printf("no desktop (error %lu)\n", GetLastError());
        return 102;
    }
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed);
    std::printf("station flags %lu\n", static_cast<unsigned long>(flags.dwFlags));
    std::fflush(stdout);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    wchar_t desktopName[] = L"VelmoraTestStation\\Default";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktopName;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::printf("cannot start (error %lu)\n", GetLastError());
        return 103;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"toplevel") {
        EnumWindows(&PrintWindow, 0);
        return 0;
    }
    if (command == L"endsession" && argc > 2) {
        Search search;
        search.processes = ProcessesNamed(argv[2]);
        EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
        std::printf("processes %u windows %u\n", static_cast<unsigned>(search.processes.size()),
                    static_cast<unsigned>(search.windows.size()));
        return EndSession(search.windows);
    }
    if (command == L"respond" && argc > 2) {
        HWND window = FindWindowW(argv[2], nullptr);
        DWORD_PTR answer = 0;
        return window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer)
                   ? 0
                   : 1;
    }
    if (command == L"count" && argc > 2) {
        std::printf("%u\n", static_cast<unsigned>(ProcessesNamed(argv[2]).size()));
        return 0;
    }
    if (command == L"end" && argc > 2) {
        HWND window = FindWindowW(argv[2], nullptr);
        return EndSession(window ? std::vector<HWND>{window} : std::vector<HWND>());
    }
    if (command == L"station" && argc > 2) {
        // The rest of the helper's own command line, as it was given.
        const std::wstring all = GetCommandLineW();
        const size_t at = all.find(L"station");
        return RunOnOwnStation(all.substr(all.find_first_not_of(L' ', at + 7)));
    }
    return 2;
}
