#include "skinui/core/deferred_deletions.h"

namespace SkinUI {

CDeferredDeletions::CDeferredDeletions() {
    InitializeCriticalSectionAndSpinCount(&lock_, 1024);
}

CDeferredDeletions::~CDeferredDeletions() {
    DeleteCriticalSection(&lock_);
}

void CDeferredDeletions::Add(IControlUI* control, bool detached) {
    EnterCriticalSection(&lock_);
    entries_.push_back(Entry{control, detached});
    LeaveCriticalSection(&lock_);
}

std::vector<CDeferredDeletions::Entry> CDeferredDeletions::TakeAll() {
    std::vector<Entry> taken;
    EnterCriticalSection(&lock_);
    taken.swap(entries_);
    LeaveCriticalSection(&lock_);
    return taken;
}

}  // namespace SkinUI
