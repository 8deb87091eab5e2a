#include "download/package_file.h"

#include <algorithm>
#include <cstring>

#include "app/log.h"
#include "download/locked_file.h"

bool PackageFile::Open(const char* path) {
    // Read sharing only: from here until the install has run the package, nobody else writes,
    // deletes or renames it (the final check hands this state on without a gap).
    // The name itself is opened: a link (or a file with other names) found there is not this
    // download's file, and writing it would write another; that name is removed and the file
    // made anew.
    for (int attempt = 0;; ++attempt) {
        file_.reset(CreateFileA(
            path, GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE, FILE_SHARE_READ, nullptr,
            OPEN_ALWAYS,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr));
        if (!file_.valid()) {
            return false;
        }
        if (IsFileOfItsOwn(file_.get(), true)) {
            break;
        }
        file_.reset();
        LogW("CTinyDownload", path, " is a link or has other names: removed, not written");
        if (attempt > 0 || !DeleteFileA(path)) {
            SetLastError(ERROR_CANT_ACCESS_FILE);
            return false;
        }
    }
    if (!buffer_) {
        buffer_.reset(new char[kBufferBytes]);
    }
    used_ = 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.get(), &size) || !HashExisting(static_cast<uint64_t>(size.QuadPart))) {
        const DWORD error = GetLastError();
        file_.reset();
        SetLastError(error);
        return false;
    }
    position_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool PackageFile::HashExisting(uint64_t length) {
    digest_.Reset();
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN)) {
        return false;
    }
    uint64_t done = 0;
    while (done < length) {
        DWORD got = 0;
        if (!ReadFile(file_.get(), buffer_.get(), static_cast<DWORD>(kBufferBytes), &got,
                      nullptr)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        const size_t take = static_cast<size_t>(std::min<uint64_t>(got, length - done));
        digest_.Add(buffer_.get(), take);
        done += take;
    }
    if (done != length) {
        SetLastError(ERROR_HANDLE_EOF);  // shorter than its length: changed under us
        return false;
    }
    // The bytes asked of the server go exactly after the ones hashed.
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) != 0;
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
    digest_.Reset();
    return true;
}

size_t PackageFile::Write(const char* data, size_t n) {
    // Hashed while the bytes are at hand (on the digest's helper thread, while this one receives
    // the next ones): the final check is then a comparison of digests.
    digest_.Add(data, n);
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
    refusedError_ = GetLastError();
    refusedOffered_ = n;
    refusedWritten_ = done;
    return false;
}
