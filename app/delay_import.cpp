// Resolver behind the delay-load thunks of cmake/make_delay_import.cmake: the first call of a
// delay-loaded function lands here, loads its DLL from the system folder and fills the slot.
#include <windows.h>

#include "app/system_library.h"

namespace {

// What the usual delay-load helpers raise when a DLL or a function cannot be had.
const DWORD kModuleNotFound = 0xC06D007E;
const DWORD kProcedureNotFound = 0xC06D007F;

// True for comctl32.dll when the process's activation context redirects it to the common
// controls 6 assembly that the manifest names. A bare-name load is then answered from the
// system's side-by-side store before any folder is searched, so no copy planted beside the
// installer can stand in for it; a load by full system path would bypass the redirection (and
// give version 5). Other names are never loaded by bare name here.
bool RedirectedToCommonControls6(const wchar_t* name) {
    if (lstrcmpiW(name, L"comctl32.dll") != 0) {
        return false;
    }
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof data;
    return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name,
                                    &data) != FALSE;
}

HMODULE LoadDelayed(const char* dll) {
    wchar_t name[MAX_PATH];
    size_t i = 0;
    for (; dll[i] != '\0'; ++i) {
        if (i + 1 >= MAX_PATH) {
            return nullptr;
        }
        name[i] = static_cast<unsigned char>(dll[i]);
    }
    name[i] = L'\0';
    if (RedirectedToCommonControls6(name)) {
        if (HMODULE module = LoadLibraryW(name)) {
            return module;
        }
    }
    if (HMODULE module = LoadSystemLibrary(name)) {
        return module;
    }
    // Not in the system folder: GDI+ of Windows XP to 7 lives in the side-by-side store, which
    // answers a bare name before any folder is searched.
    return LoadLibraryW(name);
}

}  // namespace

extern "C" void* WINAPI VelmoraResolveDelayImport(const char* dll, const char* function,
                                                  void** slot) {
    // Each DLL stays loaded for the life of the process; loading it again only counts up.
    HMODULE module = LoadDelayed(dll);
    if (module == nullptr) {
        OutputDebugStringA(dll);
        RaiseException(kModuleNotFound, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    void* address = reinterpret_cast<void*>(GetProcAddress(module, function));
    if (address == nullptr) {
        OutputDebugStringA(function);
        RaiseException(kProcedureNotFound, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    InterlockedExchangePointer(slot, address);
    return address;
}
