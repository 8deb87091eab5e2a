// Windows-side helper of the platform tests (tests/platform/*.py), run under the same Wine
// server as the installer:
//   platform_helper load <dll>            LoadLibraryW by bare name (shows that planting works)
//   platform_helper squat <mutex> [sddl]  creates and holds a mutex until stdin closes, with
//                                         that descriptor if given
//   platform_helper state <class> <title> prints the state of a top-level window
//   platform_helper tray accept|fail      stands in for the notification area (below)
// The notification-area stand-in owns a window of the shell's tray class, found before the
// real one, and answers every icon request with the mode's result. It prints one line per
// request ("notify <NIM_*> hwnd=<hex> id=<n>") and reads commands from stdin: "restart
// accept|fail" replaces its window and broadcasts "TaskbarCreated" as a restarted Explorer
// does; "click" sends a left click to the last icon added; "quit" ends it.
#include <windows.h>

#include <sddl.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

const UINT kCommand = WM_APP + 1;
const wchar_t kTrayClass[] = L"Shell_TrayWnd";

// The first fields of the icon data Wine's shell sends in WM_COPYDATA.
struct NotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
};

bool g_accept = true;
NotifyData g_lastAdded = {};
HWND g_tray = nullptr;

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (copy != nullptr && copy->cbData >= sizeof(NotifyData)) {
            const auto* data = static_cast<const NotifyData*>(copy->lpData);
            Say("notify %lu hwnd=%lx id=%u answer=%d\n", static_cast<unsigned long>(copy->dwData),
                static_cast<unsigned long>(data->hWnd), data->uID, g_accept ? 1 : 0);
            if (copy->dwData == NIM_ADD && g_accept) {
                g_lastAdded = *data;
            }
        }
        return g_accept ? TRUE : FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateTray() {
    // Topmost and created last: FindWindow meets it before the real tray window.
    return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kTrayClass, L"", WS_POPUP, 0, 0, 1, 1,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

DWORD WINAPI ReadCommands(LPVOID thread) {
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        char* copy = _strdup(line);
        PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(thread)), kCommand, 0,
                           reinterpret_cast<LPARAM>(copy));
    }
    PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(thread)), WM_QUIT, 0, 0);
    return 0;
}

void StartCommandReader() {
    const UINT_PTR self = GetCurrentThreadId();
    HANDLE reader =
        CreateThread(nullptr, 0, ReadCommands, reinterpret_cast<LPVOID>(self), 0, nullptr);
    if (reader) {
        CloseHandle(reader);
    }
}

bool RunCommand(const char* command) {
    if (std::strncmp(command, "restart", 7) == 0) {
        DestroyWindow(g_tray);
        g_accept = std::strstr(command, "fail") == nullptr;
        g_tray = CreateTray();
        const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
        SendNotifyMessageW(HWND_BROADCAST, created, 0, 0);
        Say("restarted accept=%d\n", g_accept ? 1 : 0);
    } else if (std::strncmp(command, "click", 5) == 0) {
        HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(g_lastAdded.hWnd));
        PostMessageW(owner, g_lastAdded.uCallbackMessage, g_lastAdded.uID, WM_LBUTTONUP);
        Say("clicked\n");
    } else if (std::strncmp(command, "quit", 4) == 0) {
        return false;
    }
    return true;
}

int Tray(const char* mode) {
    g_accept = std::strcmp(mode, "fail") != 0;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TrayProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTrayClass;
    RegisterClassW(&wc);
    // Wait for the real tray (Wine's desktop process makes it) so that this one comes later.
    GetDesktopWindow();
    for (int i = 0; i < 100 && FindWindowW(kTrayClass, nullptr) == nullptr; ++i) {
        Sleep(100);
    }
    g_tray = CreateTray();
    if (!g_tray) {
        Say("no tray window\n");
        return 1;
    }
    StartCommandReader();
    Say("tray ready accept=%d\n", g_accept ? 1 : 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kCommand) {
            char* command = reinterpret_cast<char*>(msg.lParam);
            const bool more = RunCommand(command);
            std::free(command);
            if (!more) {
                break;
            }
            continue;
        }
        DispatchMessageW(&msg);
    }
    DestroyWindow(g_tray);
    return 0;
}

int State(const wchar_t* className, const wchar_t* title) {
    HWND window = FindWindowW(className, title);
    if (!window) {
        Say("none\n");
        return 1;
    }
    HWND popup = GetLastActivePopup(window);
    Say("visible=%d iconic=%d enabled=%d foreground=%d popup=%d\n", IsWindowVisible(window) ? 1 : 0,
        IsIconic(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
        GetForegroundWindow() == window ? 1 : 0, popup != nullptr && popup != window ? 1 : 0);
    return 0;
}

int Squat(const wchar_t* name, const wchar_t* sddl) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (sddl != nullptr && !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                               sddl, SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr)) {
        Say("failed\n");
        return 1;
    }
    HANDLE mutex = CreateMutexW(&attributes, TRUE, name);
    LocalFree(attributes.lpSecurityDescriptor);
    Say("%s\n", mutex != nullptr ? "held" : "failed");
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    if (mutex) {
        CloseHandle(mutex);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"load" && argc == 3) {
        HMODULE module = LoadLibraryW(argv[2]);
        Say("%s\n", module != nullptr ? "loaded" : "failed");
        return module != nullptr ? 0 : 1;
    }
    if (command == L"squat" && (argc == 3 || argc == 4)) {
        return Squat(argv[2], argc == 4 ? argv[3] : nullptr);
    }
    if (command == L"state" && argc == 4) {
        return State(argv[2], argv[3]);
    }
    if (command == L"tray" && argc == 3) {
        char mode[8] = "";
        std::snprintf(mode, sizeof mode, "%ls", argv[2]);
        return Tray(mode);
    }
    std::fprintf(stderr, "usage: platform_helper load|squat|state|tray ...\n");
    return 2;
}
