#pragma once
// Reading a whole file into memory with a size limit.
#include <windows.h>

#include <vector>

namespace SkinUI {

enum class FileReadResult { kOk, kOpenFailed, kEmpty, kTooLarge, kShortRead };

FileReadResult ReadWholeFile(const wchar_t* path, DWORD maxSize, std::vector<unsigned char>& bytes);

// An owned kernel handle (file, event, ...), closed with CloseHandle.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    ~KernelHandle() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace SkinUI
