#include "download/overlapped_md5.h"

#include <process.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "app/log.h"
#include "download/md5.h"

// State shared by the feeding thread and the hashing thread.
struct OverlappedMd5::Shared {
    CriticalSection lock;
    ScopedHandle freeBlocks{CreateSemaphoreW(nullptr, kBlocks, kBlocks, nullptr)};
    ScopedHandle readyBlocks{CreateSemaphoreW(nullptr, 0, kBlocks + 1, nullptr)};
    std::vector<std::unique_ptr<char[]>> blocks;
    std::deque<std::pair<int, size_t>> queue;  // (block, bytes); block -1 ends the stream
    std::vector<int> free;
    std::string path;
    int64_t prefixLength = 0;
    std::string digest;
    std::atomic<bool> abandon{false};
};

OverlappedMd5::OverlappedMd5() = default;

OverlappedMd5::~OverlappedMd5() {
    Stop();
}

bool OverlappedMd5::Start(const std::string& path, int64_t prefixLength) {
    Stop();
    shared_ = std::make_shared<Shared>();
    for (int i = 0; i < kBlocks; ++i) {
        shared_->blocks.emplace_back(new char[kBlockBytes]);
        shared_->free.push_back(i);
    }
    shared_->path = path;
    shared_->prefixLength = prefixLength;
    uintptr_t thread = _beginthreadex(nullptr, 0, &ThreadEntry, shared_.get(), 0, nullptr);
    if (!thread) {
        shared_.reset();
        return false;
    }
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    current_ = -1;
    filled_ = 0;
    return true;
}

void OverlappedMd5::Feed(const char* data, size_t length) {
    while (length > 0 && shared_) {
        if (current_ < 0) {
            WaitForSingleObject(shared_->freeBlocks.get(), INFINITE);
            AutoLock lock(shared_->lock);
            current_ = shared_->free.back();
            shared_->free.pop_back();
            filled_ = 0;
        }
        size_t take = kBlockBytes - filled_;
        if (take > length) {
            take = length;
        }
        std::memcpy(shared_->blocks[current_].get() + filled_, data, take);
        filled_ += take;
        data += take;
        length -= take;
        if (filled_ == kBlockBytes) {
            Submit();
        }
    }
}

void OverlappedMd5::Submit() {
    {
        AutoLock lock(shared_->lock);
        shared_->queue.emplace_back(current_, filled_);
    }
    ReleaseSemaphore(shared_->readyBlocks.get(), 1, nullptr);
    current_ = -1;
    filled_ = 0;
}

std::string OverlappedMd5::Finish() {
    if (!shared_) {
        return std::string();
    }
    if (current_ >= 0) {
        Submit();
    }
    {
        AutoLock lock(shared_->lock);
        shared_->queue.emplace_back(-1, 0);
    }
    ReleaseSemaphore(shared_->readyBlocks.get(), 1, nullptr);
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
    std::string digest = shared_->digest;
    shared_.reset();
    return digest;
}

void OverlappedMd5::Stop() {
    if (!shared_) {
        return;
    }
    {
        AutoLock lock(shared_->lock);
        shared_->abandon = true;
        shared_->queue.emplace_back(-1, 0);
    }
    ReleaseSemaphore(shared_->readyBlocks.get(), 1, nullptr);
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
    shared_.reset();
    current_ = -1;
}

unsigned __stdcall OverlappedMd5::ThreadEntry(void* p) {
    Shared& s = *static_cast<Shared*>(p);
    Md5Context ctx;
    Md5Init(ctx);
    bool prefixOk = true;
    if (s.prefixLength > 0) {
        ScopedFile file(std::fopen(s.path.c_str(), "rb"));
        if (!file) {
            LogE("MD5", "fopen(", s.path, ") error, code=", errno);
            prefixOk = false;
        } else {
            std::setvbuf(file.get(), nullptr, _IONBF, 0);
            std::unique_ptr<char[]> buffer(new char[kBlockBytes]);
            int64_t left = s.prefixLength;
            while (left > 0 && !s.abandon) {
                size_t want = left < static_cast<int64_t>(kBlockBytes) ? static_cast<size_t>(left)
                                                                       : kBlockBytes;
                size_t got = std::fread(buffer.get(), 1, want, file.get());
                if (got == 0) {
                    prefixOk = false;
                    break;
                }
                Md5Update(ctx, buffer.get(), got);
                left -= static_cast<int64_t>(got);
            }
        }
    }
    for (;;) {
        WaitForSingleObject(s.readyBlocks.get(), INFINITE);
        std::pair<int, size_t> item;
        {
            AutoLock lock(s.lock);
            item = s.queue.front();
            s.queue.pop_front();
        }
        if (item.first < 0) {
            break;
        }
        if (!s.abandon) {
            Md5Update(ctx, s.blocks[item.first].get(), item.second);
        }
        {
            AutoLock lock(s.lock);
            s.free.push_back(item.first);
        }
        ReleaseSemaphore(s.freeBlocks.get(), 1, nullptr);
    }
    unsigned char digest[16];
    Md5Final(ctx, digest);
    if (prefixOk && !s.abandon) {
        s.digest = Md5Hex(digest);
    }
    return 0;
}
