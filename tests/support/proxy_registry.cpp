#include "tests/support/proxy_registry.h"

#include <windows.h>

namespace {
const char kSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kConnections[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

void AppendDword(std::string* blob, DWORD value) {
    blob->append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendText(std::string* blob, const std::string& text) {
    AppendDword(blob, static_cast<DWORD>(text.size()));
    blob->append(text);
}

// A key of the current user's hive, opened (or made) for writing values.
class WritableKey {
public:
    WritableKey(const char* path, bool create) {
        const LSTATUS status =
            create ? RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     &key_, nullptr)
                   : RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &key_);
        if (status != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~WritableKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    WritableKey(const WritableKey&) = delete;
    WritableKey& operator=(const WritableKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

void SetValue(const char* key, const char* name, DWORD type, const void* data, size_t size) {
    WritableKey handle(key, true);
    if (handle.get()) {
        RegSetValueExA(handle.get(), name, 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size));
    }
}

void SetText(const char* name, const std::string& text) {
    SetValue(kSettings, name, REG_SZ, text.c_str(), text.size() + 1);
}

void DeleteValue(const char* key, const char* name) {
    WritableKey handle(key, false);
    if (handle.get()) {
        RegDeleteValueA(handle.get(), name);
    }
}
}  // namespace

std::string ConnectionSettingsBlob(const ProxyRegistry& s) {
    // Version, change counter, flags (1 direct, 2 fixed proxy, 4 script, 8 auto-detect), the
    // three texts with their lengths, then room Windows keeps for later fields.
    DWORD flags = 1;
    if (!s.proxy.empty() && s.proxyEnabled) {
        flags |= 2;
    }
    if (!s.script.empty()) {
        flags |= 4;
    }
    if (s.autoDetect) {
        flags |= 8;
    }
    std::string blob;
    AppendDword(&blob, 0x46);
    AppendDword(&blob, 1);
    AppendDword(&blob, flags);
    AppendText(&blob, s.proxy);
    AppendText(&blob, s.bypass);
    AppendText(&blob, s.script);
    blob.append(32, '\0');
    return blob;
}

void WriteProxyRegistry(const ProxyRegistry& s) {
    ClearProxyRegistry();
    if (s.writeValues) {
        const DWORD enable = (!s.proxy.empty() && s.proxyEnabled) ? 1 : 0;
        SetValue(kSettings, "ProxyEnable", REG_DWORD, &enable, sizeof enable);
        if (!s.proxy.empty()) {
            SetText("ProxyServer", s.proxy);
        }
        if (!s.bypass.empty()) {
            SetText("ProxyOverride", s.bypass);
        }
        if (!s.script.empty()) {
            SetText("AutoConfigURL", s.script);
        }
    }
    if (s.writeConnection) {
        const std::string blob = ConnectionSettingsBlob(s);
        SetValue(kConnections, "DefaultConnectionSettings", REG_BINARY, blob.data(), blob.size());
    }
}

void ClearProxyRegistry() {
    for (const char* name : {"ProxyEnable", "ProxyServer", "ProxyOverride", "AutoConfigURL"}) {
        DeleteValue(kSettings, name);
    }
    DeleteValue(kConnections, "DefaultConnectionSettings");
}
