#pragma once
// MD5 of a file that is being written, computed on a thread of its own while the data arrives:
// the part already on disk is read back first, then every block handed to Feed() is hashed in
// order. Verifying a large download then costs no extra pass over the file after the transfer.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/scoped_handles.h"

class OverlappedMd5 {
public:
    static constexpr size_t kBlockBytes = 1 << 20;
    static constexpr int kBlocks = 4;  // bounds the memory held while hashing lags behind

    OverlappedMd5();
    ~OverlappedMd5();  // abandons a running computation
    OverlappedMd5(const OverlappedMd5&) = delete;
    OverlappedMd5& operator=(const OverlappedMd5&) = delete;

    // Starts hashing the first prefixLength bytes of the file at path (ANSI). False when no
    // thread could be started.
    bool Start(const std::string& path, int64_t prefixLength);
    // Appends bytes that follow the prefix. Blocks while every block buffer is in use.
    void Feed(const char* data, size_t length);
    // Waits for the hash of prefix + fed bytes: lowercase hex, or "" when the prefix could not
    // be read in full.
    std::string Finish();

private:
    struct Shared;
    void Stop();
    void Submit();
    static unsigned __stdcall ThreadEntry(void* shared);

    std::shared_ptr<Shared> shared_;
    ScopedHandle thread_;
    int current_ = -1;  // block being filled by Feed, -1 when none
    size_t filled_ = 0;
};
