#include "app/channel.h"

#include <windows.h>

#include "app/scoped_handles.h"

namespace {
const char kChannelId[] = "000000238";
const DWORD kChannelIdLength = sizeof(kChannelId) - 1;
}  // namespace

std::string GetChannelId() {
    return kChannelId;
}

bool WriteChannelFile(const std::wstring& folder) {
    const std::wstring path = folder + L"\\channel.dat";
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    DWORD written = 0;
    return WriteFile(file.get(), kChannelId, kChannelIdLength, &written, nullptr) &&
           written == kChannelIdLength;
}
