// The reference for the start-up benchmark: a plain Win32 window of the main window's size
// (586 x 431, centred, no caption). Writes "plain_first_paint <ms since process creation>" at
// the end of its first WM_PAINT and ends the process.
#include <windows.h>

#include "bench/startup_clock.h"

namespace {
LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        EndPaint(window, &ps);
        WriteFigure("plain_first_paint", MillisecondsSinceProcessStart());
        ExitProcess(0);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = L"PlainBenchWindow";
    RegisterClassW(&wc);
    const int width = 586, height = 431;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowW(L"PlainBenchWindow", L"Plain", WS_POPUP | WS_VISIBLE, x, y, width, height,
                  nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
