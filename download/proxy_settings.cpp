#include "download/proxy_settings.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstring>

#include "app/log.h"
#include "download/proxy_rules.h"
#include "download/winhttp_proxy.h"

namespace {
const char kTag[] = "SystemProxy";
const wchar_t kInternetSettings[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const wchar_t kConnections[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

std::string Ascii(const std::wstring& text) {
    std::string narrow;
    for (size_t i = 0; i < text.size() && i < kMaxProxyListChars; ++i) {
        const wchar_t c = text[i];
        narrow += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return narrow;
}

std::wstring ReadText(const wchar_t* name) {
    wchar_t buffer[kMaxProxyListChars + 1];
    DWORD type = 0;
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
    const LSTATUS status =
        SHGetValueW(HKEY_CURRENT_USER, kInternetSettings, name, &type, buffer, &bytes);
    if (status == ERROR_MORE_DATA) {
        LogW(kTag, "Internet Settings value longer than ", kMaxProxyListChars,
             " characters, ignored");
        return std::wstring();
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::wstring();
    }
    // A stored text need not end in a NUL.
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    return buffer;
}

// Reading the settings through WinHTTP loads it and what it needs, about 4.5 MiB of working set.
// That is worth it only when the stored connection settings ask for automatic detection, a
// configuration script or a fixed proxy, or cannot be read (Windows then detects
// automatically); a plain direct connection is told by their flags alone.
bool NeedsWinHttp() {
    const DWORD kFixedProxy = 2, kScript = 4, kAutoDetect = 8;
    unsigned char blob[1024];
    DWORD type = 0;
    DWORD bytes = sizeof(blob);
    if (SHGetValueW(HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings", &type, blob,
                    &bytes) != ERROR_SUCCESS ||
        type != REG_BINARY || bytes < 12) {
        return true;
    }
    DWORD flags = 0;
    std::memcpy(&flags, blob + 8, sizeof(flags));
    return (flags & (kFixedProxy | kScript | kAutoDetect)) != 0 ||
           !ReadText(L"AutoConfigURL").empty();
}

bool ProxyEnabled() {
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    return SHGetValueW(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", &type, &value,
                       &bytes) == ERROR_SUCCESS &&
           type == REG_DWORD && value != 0;
}
}  // namespace

ProxySettings ReadProxySettings() {
    ProxySettings settings;
    IeProxyConfig config;
    if (NeedsWinHttp() && WinHttpProxy::Get().ReadIeConfig(&config)) {
        settings.autoDetect = config.autoDetect;
        settings.autoConfigUrl = config.autoConfigUrl.substr(0, kMaxProxyListChars);
        settings.proxy = Ascii(config.proxy);
        settings.bypass = Ascii(config.bypass);
    }
    if (settings.proxy.empty() && ProxyEnabled()) {
        settings.proxy = Ascii(ReadText(L"ProxyServer"));
        settings.bypass = Ascii(ReadText(L"ProxyOverride"));
    }
    return settings;
}
