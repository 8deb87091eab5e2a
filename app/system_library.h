#pragma once
// Loads a DLL from the Windows system folder by its full path, never from the folder the
// installer was started from (usually Downloads, where anyone can drop a DLL of that name).
#include <windows.h>

// LoadLibraryW of "<system folder>\<name>", e.g. LoadSystemLibrary(L"d3d9.dll"). Null when the
// system folder cannot be read, the path would not fit, or the DLL is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A module loaded by LoadSystemLibrary (or LoadLibrary), freed when it goes out of scope.
class ScopedLibrary {
public:
    explicit ScopedLibrary(HMODULE module) : module_(module) {}
    ~ScopedLibrary() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};
