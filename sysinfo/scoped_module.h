#pragma once
// A module loaded with LoadLibrary, freed when it goes out of scope.
#include <windows.h>

class ScopedModule {
public:
    explicit ScopedModule(HMODULE module) : module_(module) {}
    ~ScopedModule() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    ScopedModule(const ScopedModule&) = delete;
    ScopedModule& operator=(const ScopedModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};
