// What the system does to a silent installer, and what a test asks about its windows:
//   session_helper end [class]   WM_QUERYENDSESSION, then WM_ENDSESSION (ending), to the
//                                installer's message-only window, or to the top-level window of
//                                that class; exit code 0 when it was found
//   session_helper toplevel      prints the class of every top-level window, one per line
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
BOOL CALLBACK PrintClass(HWND window, LPARAM) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    std::wprintf(L"%ls\n", name);
    return TRUE;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"toplevel") {
        EnumWindows(&PrintClass, 0);
        return 0;
    }
    if (command == L"end") {
        HWND window = argc > 2
                          ? FindWindowW(argv[2], nullptr)
                          : FindWindowExW(HWND_MESSAGE, nullptr, L"VelmoraSilentSession", nullptr);
        if (!window) {
            return 1;
        }
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                            &answer);
        std::printf("query answered %lu\n", static_cast<unsigned long>(answer));
        SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000,
                            &answer);
        return 0;
    }
    return 2;
}
