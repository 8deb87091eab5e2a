#include "app/dll_search.h"

#include <windows.h>

namespace {

// Not in the XP-level headers; both functions are looked up because XP SP3 lacks the first and
// an import of either would keep the program from starting where it is missing.
const DWORD kLoadLibrarySearchSystem32 = 0x00000800;
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

template <class F>
F KernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC proc = kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return reinterpret_cast<F>(proc);
#pragma GCC diagnostic pop
}

// Before libcurl's and every other static initialiser (they may load DLLs).
__attribute__((constructor(101))) void RestrictBeforeStaticInitialisers() {
    RestrictDllSearch();
}

}  // namespace

DllSearchMode RestrictDllSearch() {
    auto setDefault = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(kLoadLibrarySearchSystem32)) {
        return DllSearchMode::kSystemFolderOnly;
    }
    auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryW");
    if (setDirectory != nullptr && setDirectory(L"")) {
        return DllSearchMode::kNoCurrentFolder;
    }
    return DllSearchMode::kUnchanged;
}

const char* DllSearchModeName(DllSearchMode mode) {
    switch (mode) {
        case DllSearchMode::kSystemFolderOnly:
            return "system folder only";
        case DllSearchMode::kNoCurrentFolder:
            return "without the current folder";
        default:
            return "unchanged";
    }
}
