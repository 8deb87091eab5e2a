// Kernel and window functions the parsers' neighbours call: no files open, no modules load.
#include <windows.h>

HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
    return INVALID_HANDLE_VALUE;
}
DWORD GetFileSize(HANDLE, DWORD* high) {
    if (high != nullptr) {
        *high = 0;
    }
    return INVALID_FILE_SIZE;
}
BOOL ReadFile(HANDLE, void*, DWORD, DWORD* read, void*) {
    if (read != nullptr) {
        *read = 0;
    }
    return FALSE;
}
BOOL CloseHandle(HANDLE) {
    return TRUE;
}
HMODULE GetModuleHandleW(LPCWSTR) {
    return nullptr;
}
FARPROC GetProcAddress(HMODULE, LPCSTR) {
    return nullptr;
}
LONG GetWindowLongW(HWND, int) {
    return 0;
}
LONG SetWindowLongW(HWND, int, LONG) {
    return 0;
}
