#include "download/package_file.h"

#include <algorithm>
#include <cstring>

bool PackageFile::Open(const char* path) {
    file_.reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr));
    if (!file_.valid()) {
        return false;
    }
    LARGE_INTEGER size;
    LARGE_INTEGER end;
    end.QuadPart = 0;
    if (!GetFileSizeEx(file_.get(), &size) ||
        !SetFilePointerEx(file_.get(), end, nullptr, FILE_END)) {
        const DWORD error = GetLastError();
        file_.reset();
        SetLastError(error);
        return false;
    }
    position_ = static_cast<uint64_t>(size.QuadPart);
    used_ = 0;
    if (!buffer_) {
        buffer_.reset(new char[kBufferBytes]);
    }
    return true;
}

bool PackageFile::Truncate() {
    used_ = 0;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.get())) {
        // Where the handle points is unknown now: put it back at the end.
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(position_);
        SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN);
        return false;
    }
    position_ = 0;
    return true;
}

size_t PackageFile::Write(const char* data, size_t n) {
    if (n < kDirectWriteBytes) {
        if (used_ + n > kBufferBytes && !Flush()) {
            return 0;
        }
        std::memcpy(buffer_.get() + used_, data, n);
        used_ += n;
        return n;
    }
    // A large piece goes straight to the disk: copying it through the buffer costs more than
    // the extra write saves.
    if (!Flush()) {
        return 0;
    }
    return WriteThrough(data, n) ? n : refusedWritten_;
}

bool PackageFile::Flush() {
    if (used_ == 0) {
        return true;
    }
    const size_t n = used_;
    used_ = 0;
    return WriteThrough(buffer_.get(), n);
}

bool PackageFile::WriteThrough(const char* data, size_t n) {
    size_t allowed = n;
    if (position_ >= spaceLimit_) {
        allowed = 0;
    } else if (spaceLimit_ - position_ < n) {
        allowed = static_cast<size_t>(spaceLimit_ - position_);
    }
    size_t done = 0;
    while (done < allowed) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(allowed - done, 1u << 30));
        DWORD wrote = 0;
        const BOOL ok = WriteFile(file_.get(), data + done, piece, &wrote, nullptr);
        done += wrote;
        position_ += wrote;
        if (!ok || wrote == 0) {
            break;
        }
    }
    if (done == n) {
        return true;
    }
    if (done == allowed && allowed < n) {
        SetLastError(ERROR_DISK_FULL);
    }
    refusedOffered_ = n;
    refusedWritten_ = done;
    return false;
}
