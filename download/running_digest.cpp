#include "download/running_digest.h"

#include <process.h>

#include <algorithm>
#include <cstring>

RunningDigest::RunningDigest() {
    Md5Init(ctx_);
    for (auto& slot : slots_) {
        slot.reset(new unsigned char[kSlotBytes]);
    }
    // The caller starts with slot 0; the others are free. Within Submit the caller holds none,
    // so all kSlots may be free for a moment.
    freeSlots_.reset(CreateSemaphoreW(nullptr, kSlots - 1, kSlots, nullptr));
    filledSlots_.reset(CreateSemaphoreW(nullptr, 0, kSlots, nullptr));
    if (freeSlots_.valid() && filledSlots_.valid()) {
        helper_.reset(
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &HelperMain, this, 0, nullptr)));
    }
}

RunningDigest::~RunningDigest() {
    if (helper_.valid()) {
        stop_ = true;
        ReleaseSemaphore(filledSlots_.get(), 1, nullptr);
        WaitForSingleObject(helper_.get(), INFINITE);
    }
}

unsigned __stdcall RunningDigest::HelperMain(void* self) {
    static_cast<RunningDigest*>(self)->HelperLoop();
    return 0;
}

void RunningDigest::HelperLoop() {
    for (;;) {
        WaitForSingleObject(filledSlots_.get(), INFINITE);
        if (stop_.load()) {
            return;
        }
        Md5Update(ctx_, slots_[hashing_].get(), fill_[hashing_]);
        fill_[hashing_] = 0;
        hashing_ = (hashing_ + 1) % kSlots;
        ReleaseSemaphore(freeSlots_.get(), 1, nullptr);
    }
}

void RunningDigest::Add(const void* data, size_t n) {
    if (!helper_.valid()) {
        Md5Update(ctx_, data, n);
        return;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const size_t take = std::min(n, kSlotBytes - fill_[filling_]);
        std::memcpy(slots_[filling_].get() + fill_[filling_], bytes, take);
        fill_[filling_] += take;
        bytes += take;
        n -= take;
        if (fill_[filling_] == kSlotBytes) {
            Submit();
        }
    }
}

void RunningDigest::Submit() {
    ReleaseSemaphore(filledSlots_.get(), 1, nullptr);
    WaitForSingleObject(freeSlots_.get(), INFINITE);
    filling_ = (filling_ + 1) % kSlots;
}

void RunningDigest::Drain() {
    if (!helper_.valid()) {
        return;
    }
    if (fill_[filling_] > 0) {
        Submit();
    }
    // All slots but the caller's free again means the helper has nothing left.
    for (int i = 0; i < kSlots - 1; ++i) {
        WaitForSingleObject(freeSlots_.get(), INFINITE);
    }
    ReleaseSemaphore(freeSlots_.get(), kSlots - 1, nullptr);
}

void RunningDigest::Reset() {
    Drain();
    Md5Init(ctx_);
}

std::string RunningDigest::Hex() {
    Drain();
    Md5Context copy = ctx_;
    unsigned char digest[16];
    Md5Final(copy, digest);
    return Md5Hex(digest);
}
