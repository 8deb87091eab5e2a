#include "sysinfo/machine_guid.h"

#include <windows.h>

#include "app/scoped_handles.h"

std::string GetMachineGuid() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    REGSAM access = KEY_QUERY_VALUE;
    if (wow64) {
        access |= KEY_WOW64_64KEY;
    }
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography", 0, access,
                      key.put()) != ERROR_SUCCESS) {
        return "";
    }
    // One byte more than Windows is allowed to fill keeps the text terminated.
    char buffer[260] = {};
    DWORD size = sizeof buffer - 1;
    if (RegQueryValueExA(key.get(), "MachineGuid", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return "";
    }
    return buffer;
}
