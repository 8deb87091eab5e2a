#include "tests/skinui/heap_watch.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kMaxKept = 4096;
constexpr unsigned char kPattern = 0xDD;
// The first pointer of a block stays as it was: deleting an object twice calls its virtual
// destructor again, which must still find a vtable.
constexpr std::size_t kUnpatterned = sizeof(void*);

struct Kept {
    void* block;
    std::size_t size;
};

bool watching = false;
Kept kept[kMaxKept];
std::size_t keptCount = 0;
int doubleDeletes = 0;

void Release(void* block) {
    if (block == nullptr) {
        return;
    }
    if (!watching) {
        std::free(block);
        return;
    }
    for (std::size_t i = 0; i < keptCount; ++i) {
        if (kept[i].block == block) {
            ++doubleDeletes;
            return;
        }
    }
    if (keptCount == kMaxKept) {
        std::free(block);
        return;
    }
    const std::size_t size = _msize(block);
    if (size > kUnpatterned) {
        std::memset(static_cast<unsigned char*>(block) + kUnpatterned, kPattern,
                    size - kUnpatterned);
    }
    kept[keptCount++] = Kept{block, size};
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void operator delete(void* block) noexcept {
    Release(block);
}

void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}

namespace HeapWatch {

void Start() {
    keptCount = 0;
    doubleDeletes = 0;
    watching = true;
}

Result Stop() {
    watching = false;
    Result result;
    result.doubleDeletes = doubleDeletes;
    for (std::size_t i = 0; i < keptCount; ++i) {
        const auto* bytes = static_cast<const unsigned char*>(kept[i].block);
        for (std::size_t at = kUnpatterned; at < kept[i].size; ++at) {
            if (bytes[at] != kPattern) {
                ++result.writtenAfterDelete;
                break;
            }
        }
        std::free(kept[i].block);
    }
    keptCount = 0;
    doubleDeletes = 0;
    return result;
}

}  // namespace HeapWatch
