#pragma once
// The data file of a download, open for appending through one handle that lets others only read
// it, with a write buffer so that the disk sees few large writes and a running MD5 of every byte
// in the file. Bytes go exactly where the file ended when it was opened (or to 0 after
// Truncate); nobody else can write to the file while it is open.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/scoped_handles.h"
#include "download/running_digest.h"

class PackageFile {
public:
    static constexpr size_t kBufferBytes = 256 * 1024;
    static constexpr size_t kDirectWriteBytes = 64 * 1024;  // pieces from this size bypass it

    PackageFile() = default;
    PackageFile(const PackageFile&) = delete;
    PackageFile& operator=(const PackageFile&) = delete;

    // Opens (or creates) the file for appending, sharing read access only, and hashes the bytes
    // already in it through the same handle (the only read of them). False, with the system
    // error in GetLastError(), when it cannot be opened (also when someone else has it open for
    // writing), its length cannot be read or its bytes cannot be read.
    bool Open(const char* path);
    bool IsOpen() const { return file_.valid(); }
    // Closes the handle; what the buffer still holds is dropped (Flush first).
    void Close() {
        used_ = 0;
        file_.reset();
    }
    // The length on disk plus what the buffer holds.
    uint64_t Length() const { return position_ + used_; }
    // Back to 0 bytes and an empty digest; the buffer is dropped. False when the file cannot be
    // cut.
    bool Truncate();
    // Takes n bytes into the buffer or onto the disk, and into the digest; fewer when the disk
    // refused a write (bytes buffered before are then lost, the file on disk stays a prefix of
    // what was given, and the digest no longer describes it: the file must be reopened).
    size_t Write(const char* data, size_t n);
    // Writes out the buffer; false when the disk refused some of it.
    bool Flush();
    // MD5 of every byte given since Open (those that were in the file included), lowercase
    // hexadecimal. Meaningful after a successful Flush and no refused write.
    std::string Digest() { return digest_.Hex(); }
    // The open handle (read and write access, read sharing), for the final check.
    HANDLE handle() const { return file_.get(); }
    // Hands the handle over; the object is closed afterwards.
    ScopedHandle Release() {
        used_ = 0;
        return std::move(file_);
    }
    // The last refused write: bytes offered and bytes the disk took.
    size_t refusedOffered() const { return refusedOffered_; }
    size_t refusedWritten() const { return refusedWritten_; }
    // The system's reason for the last refused write (0: none so far).
    DWORD refusedError() const { return refusedError_; }
    bool RefusedForLackOfSpace() const {
        return refusedError_ == ERROR_DISK_FULL || refusedError_ == ERROR_HANDLE_DISK_FULL;
    }

    // Tests: writes that would make the file longer than this fail as on a full disk.
    void SetSpaceLimit(uint64_t length) { spaceLimit_ = length; }

private:
    bool WriteThrough(const char* data, size_t n);
    bool HashExisting(uint64_t length);

    ScopedHandle file_;
    uint64_t position_ = 0;  // length on disk, where the next write goes
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    RunningDigest digest_;
    size_t refusedOffered_ = 0;
    size_t refusedWritten_ = 0;
    DWORD refusedError_ = 0;
    uint64_t spaceLimit_ = UINT64_MAX;
};
