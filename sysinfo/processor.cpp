#include "sysinfo/processor.h"

#include <windows.h>

#include <vector>

#include "app/scoped_handles.h"
#include "app/text_convert.h"

namespace {

const DWORD kNameBufferBytes = 2048;

// The cache is written by whichever thread probes (UI or download thread): guarded.
CriticalSection& CacheLock() {
    static CriticalSection lock;
    return lock;
}

std::wstring& NameCache() {
    static std::wstring name;
    return name;
}

bool ReadProcessorName(std::wstring& name) {
    ScopedRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    // One spare character beyond the buffer given to Windows keeps the text terminated.
    std::vector<wchar_t> buffer(kNameBufferBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = kNameBufferBytes;
    if (RegQueryValueExW(key.get(), L"ProcessorNameString", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return false;
    }
    name = buffer.data();
    return true;
}

}  // namespace

std::wstring GetProcessorName() {
    std::wstring name;
    const bool read = ReadProcessorName(name);
    AutoLock lock(CacheLock());
    if (read) {
        NameCache() = name;
    }
    return NameCache();
}

std::string GetProcessorNameAnsi() {
    return WideToAnsi(GetProcessorName());
}

std::string GetProcessorCount() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return std::to_string(static_cast<int>(info.dwNumberOfProcessors));
}
