#include "installer/accepted_serial.h"

#include "app/log.h"
#include "app/process_token.h"
#include "app/scoped_handles.h"
#include "installer/config_freshness.h"

namespace {
const char kTag[] = "InstallSettings";
const wchar_t kKey[] = L"Software\\Velmora\\Installer";

const wchar_t* ValueName(ConfigChannel channel) {
    return channel == ConfigChannel::Test ? L"ConfigSerialTest" : L"ConfigSerial";
}
}  // namespace

HKEY AcceptedSerialRoot() {
    return TokenIsAdministrator() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

uint64_t ReadAcceptedSerial(ConfigChannel channel) {
    return ReadAcceptedSerialFrom(AcceptedSerialRoot(), channel);
}

bool StoreAcceptedSerial(ConfigChannel channel, uint64_t serial) {
    return StoreAcceptedSerialIn(AcceptedSerialRoot(), channel, serial);
}

uint64_t ReadAcceptedSerialFrom(HKEY root, ConfigChannel channel) {
    ScopedRegistryKey key;
    if (RegOpenKeyExW(root, kKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return 0;
    }
    wchar_t text[32] = L"";
    DWORD type = 0;
    DWORD size = sizeof text - sizeof(wchar_t);  // room for the terminator RegQueryValueEx may omit
    if (RegQueryValueExW(key.get(), ValueName(channel), nullptr, &type,
                         reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS) {
        return 0;
    }
    std::string narrow;
    for (const wchar_t* p = text; *p; ++p) {
        narrow += *p < 128 ? static_cast<char>(*p) : '?';
    }
    uint64_t serial = 0;
    if (type != REG_SZ || !ParseSerial(narrow, &serial)) {
        LogW(kTag, "accepted configuration serial of the ", ChannelName(channel),
             " channel unreadable, taken as 0");
        return 0;
    }
    return serial;
}

bool StoreAcceptedSerialIn(HKEY root, ConfigChannel channel, uint64_t serial) {
    ScopedRegistryKey key;
    if (RegCreateKeyExW(root, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        LogW(kTag, "cannot store the configuration serial");
        return false;
    }
    const std::wstring text(std::to_wstring(serial));
    if (RegSetValueExW(key.get(), ValueName(channel), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        LogW(kTag, "cannot store the configuration serial");
        return false;
    }
    return true;
}
