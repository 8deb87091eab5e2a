// Windows XP has no GetTickCount64, but the MinGW threading runtime (winpthreads) imports it.
// This object supplies the import slot itself, so no executable of ours names the function
// in its import table: the real one is used where Windows has it, a GetTickCount-based
// counter that survives the 49.7-day wrap elsewhere. Linked into every executable.
#include <windows.h>

namespace {

typedef ULONGLONG(WINAPI* TickCount64Fn)();

volatile LONG g_spin = 0;
DWORD g_lastLow = 0;
ULONGLONG g_high = 0;

ULONGLONG WINAPI TickCountFromGetTickCount() {
    while (InterlockedExchange(&g_spin, 1) != 0) {
        Sleep(0);
    }
    DWORD now = GetTickCount();
    if (now < g_lastLow) {
        g_high += 0x100000000ULL;
    }
    g_lastLow = now;
    ULONGLONG result = g_high + now;
    InterlockedExchange(&g_spin, 0);
    return result;
}

ULONGLONG WINAPI FirstCall();

// What the import slot points to; settled on first use.
TickCount64Fn g_impl = &FirstCall;

ULONGLONG WINAPI FirstCall() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC real = kernel ? GetProcAddress(kernel, "GetTickCount64") : nullptr;
    TickCount64Fn chosen = real ? reinterpret_cast<TickCount64Fn>(reinterpret_cast<void*>(real))
                                : &TickCountFromGetTickCount;
    g_impl = chosen;
    return chosen();
}

ULONGLONG WINAPI Dispatch() {
    return g_impl();
}

}  // namespace

// The import address slot the linker would otherwise take from kernel32's import library.
extern "C" {
extern TickCount64Fn velmora_imp_GetTickCount64 __asm__("__imp__GetTickCount64@0");
TickCount64Fn velmora_imp_GetTickCount64 = &Dispatch;
}
