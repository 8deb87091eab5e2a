#pragma once
// An open registry key, closed when it goes out of scope.
#include <windows.h>

class ScopedRegistryKey {
public:
    ScopedRegistryKey() = default;
    ~ScopedRegistryKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    ScopedRegistryKey(const ScopedRegistryKey&) = delete;
    ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

    HKEY get() const { return key_; }
    PHKEY put() { return &key_; }

private:
    HKEY key_ = nullptr;
};
