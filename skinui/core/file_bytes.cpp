#include "skinui/core/file_bytes.h"

#include "app/scoped_resource.h"

namespace SkinUI {

FileReadResult ReadWholeFile(const wchar_t* path, DWORD maxSize,
                             std::vector<unsigned char>& bytes) {
    bytes.clear();
    ScopedHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return FileReadResult::kOpenFailed;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file.get(), &high);
    if (size == 0 && high == 0) {
        return FileReadResult::kEmpty;
    }
    if (high != 0 || size == INVALID_FILE_SIZE || size > maxSize) {
        return FileReadResult::kTooLarge;
    }
    bytes.resize(size);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), size, &read, nullptr) || read < size) {
        bytes.clear();
        return FileReadResult::kShortRead;
    }
    return FileReadResult::kOk;
}

}  // namespace SkinUI
