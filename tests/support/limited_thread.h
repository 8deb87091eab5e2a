#pragma once
// The calling thread runs under this process's token with the Administrators group for deny
// only, as a limited user's or an administrator's filtered token would, until destruction.
#include <windows.h>

class LimitedThread {
public:
    LimitedThread();
    ~LimitedThread();
    LimitedThread(const LimitedThread&) = delete;
    LimitedThread& operator=(const LimitedThread&) = delete;

    // False when the restricted token could not be made or put on the thread.
    bool active() const { return active_; }

private:
    bool active_ = false;
};
