#pragma once
// The MD5 of a stream of bytes, computed on a helper thread from copies of the bytes while the
// caller goes on (receiving and writing the next ones). The copies go through a few fixed
// buffers, so at most kSlots * kSlotBytes bytes wait to be hashed; when the helper cannot be
// started the bytes are hashed at once on the caller's thread.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "app/scoped_handles.h"
#include "download/md5.h"

class RunningDigest {
public:
    static constexpr size_t kSlotBytes = 512 * 1024;
    static constexpr int kSlots = 4;

    RunningDigest();
    ~RunningDigest();  // the helper is stopped; what it had not hashed is dropped
    RunningDigest(const RunningDigest&) = delete;
    RunningDigest& operator=(const RunningDigest&) = delete;

    // Back to the digest of no bytes.
    void Reset();
    // Adds n bytes; they may be reused as soon as this returns.
    void Add(const void* data, size_t n);
    // Lowercase hexadecimal digest of every byte added since the last Reset.
    std::string Hex();

private:
    static unsigned __stdcall HelperMain(void* self);
    void HelperLoop();
    void Submit();  // hands the slot being filled to the helper and takes the next free one
    void Drain();   // returns when every byte added has been hashed

    Md5Context ctx_;  // the helper's while it runs, the caller's after Drain
    std::unique_ptr<unsigned char[]> slots_[kSlots];
    size_t fill_[kSlots] = {};
    int filling_ = 0;           // the caller's slot
    int hashing_ = 0;           // the helper's next slot
    ScopedHandle freeSlots_;    // semaphore: slots the caller may take
    ScopedHandle filledSlots_;  // semaphore: slots waiting for the helper
    ScopedHandle helper_;
    std::atomic<bool> stop_{false};
};
