#include "app/channel.h"

#include <windows.h>

#include "app/log.h"
#include "app/no_follow.h"
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
    // Never written through a link or into a file with other names; emptied once it is known.
    std::string why;
    ScopedHandle file =
        OpenFileNoFollow(path, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, &why);
    if (!file.valid()) {
        if (GetLastError() == ERROR_CANT_ACCESS_FILE) {
            LogW("Channel", "channel.dat not written: ", why);
        }
        return false;
    }
    if (!SetEndOfFile(file.get())) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), kChannelId, kChannelIdLength, &written, nullptr) &&
           written == kChannelIdLength;
}
