#pragma once
// Controls waiting to be deleted on their window's thread. Any thread may add one; the window's
// thread takes them all when its message arrives. The one lock of the framework.
#include <windows.h>

#include <vector>

namespace SkinUI {

class IControlUI;

class CDeferredDeletions {
public:
    struct Entry {
        IControlUI* control;
        bool detached;  // already left its manager (asked on the window's thread)
    };

    CDeferredDeletions();
    ~CDeferredDeletions();
    CDeferredDeletions(const CDeferredDeletions&) = delete;
    CDeferredDeletions& operator=(const CDeferredDeletions&) = delete;

    void Add(IControlUI* control, bool detached);
    // Everything added so far, in the order it came; the list is empty afterwards.
    std::vector<Entry> TakeAll();

private:
    CRITICAL_SECTION lock_;
    std::vector<Entry> entries_;
};

}  // namespace SkinUI
