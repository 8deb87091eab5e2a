#include "installer/silent_session_end.h"

#include <process.h>

#include "app/log.h"
#include "app/scoped_handles.h"
#include "installer/installer_exit.h"

const wchar_t kSessionEndWindowClass[] = L"VelmoraSilentSession";

namespace {
const char kTag[] = "Silent";

[[noreturn]] void EndedBySystem(const char* how) {
    LogE(kTag, "the run was ended by the system (", how, ")");
    EndInstaller(kExitEndedBySystem);
}

LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            LogW(kTag, "the session is ending (WM_QUERYENDSESSION)");
            return TRUE;  // no one to ask: the session may end
        case WM_ENDSESSION:
            if (wParam) {
                EndedBySystem("WM_ENDSESSION");
            }
            LogI(kTag, "the session goes on");
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

BOOL WINAPI ConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_CLOSE_EVENT:
            EndedBySystem("console closed");
        case CTRL_LOGOFF_EVENT:
            EndedBySystem("log-off");
        case CTRL_SHUTDOWN_EVENT:
            EndedBySystem("shutdown");
        default:
            return FALSE;
    }
}

unsigned __stdcall SessionThread(void*) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &SessionWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kSessionEndWindowClass;
    RegisterClassW(&windowClass);
    // Windows sends the end of the session to every top-level window, hidden ones included,
    // and never to a message-only one. Never shown: it needs no visible desktop.
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kSessionEndWindowClass, L"", WS_POPUP, 0, 0, 0,
                                  0, nullptr, nullptr, instance, nullptr);
    if (!window) {
        LogW(kTag, "no top-level window (error ", static_cast<unsigned>(GetLastError()),
             "): a log-off or shutdown is seen only through the console's events");
        return 0;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
}  // namespace

bool StartSessionEndWatch() {
    SetConsoleCtrlHandler(&ConsoleControl, TRUE);
    ScopedHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &SessionThread, nullptr, 0, nullptr)));
    if (!thread.valid()) {
        LogW(kTag, "no thread to watch the session's end");
        return false;
    }
    return true;
}
