// Asks a top-level window of another process to close, as the system does for Alt+F4 on a
// window the user cannot reach (the installer hides in the notification area while it works):
//   close_window <window class>
// Exit code 0 when such a window was found and asked, 1 otherwise.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    HWND window = FindWindowW(argv[1], nullptr);
    if (!window) {
        return 1;
    }
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
}
