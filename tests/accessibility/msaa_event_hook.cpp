// The in-context half of msaa_client's event recording: loaded into the watched program by
// SetWinEventHook(WINEVENT_INCONTEXT), it forwards each event of the window's client object
// to msaa_client's message window, where it is handled as an out-of-context event would be.
// (Wine 8 delivers out-of-context WinEvents only within the process that raises them.)
#include <windows.h>

#include <cwchar>

namespace {
const UINT kForwardedEvent = WM_APP + 7;
}

extern "C" __declspec(dllexport) void CALLBACK
    ForwardWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD,
                    DWORD) {
    if (objectId != OBJID_CLIENT || window == nullptr) {
        return;
    }
    HWND client = FindWindowW(L"MsaaClientEvents", nullptr);
    if (client == nullptr) {
        return;
    }
    // Only the window being watched: its handle is the client window's text.
    wchar_t watched[32] = {};
    GetWindowTextW(client, watched, 32);
    if (reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(watched, nullptr, 16))) !=
        window) {
        return;
    }
    PostMessageW(client, kForwardedEvent, event, static_cast<LPARAM>(childId));
}
