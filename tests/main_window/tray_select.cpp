// Sends a window of another process what the shell sends when the user presses Enter or Space
// on its focused notification-area icon (Win+B, then the arrows), for icons of version 3:
//   tray_select <window class> <callback message> <icon id>
// Under Wine there is no notification area a key can reach; the message is the same.
// Exit code 0 when such a window was found and the message delivered, 1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        return 2;
    }
    HWND window = FindWindowW(argv[1], nullptr);
    if (!window) {
        return 1;
    }
    const UINT message = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 10));
    const WPARAM icon = static_cast<WPARAM>(std::wcstoul(argv[3], nullptr, 10));
    // The shell sends it, so the window may be busy for a moment: posted, not waited for.
    return PostMessageW(window, message, icon, NIN_KEYSELECT) ? 0 : 1;
}
