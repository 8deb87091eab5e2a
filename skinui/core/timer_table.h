#pragma once
// The timers controls run on their window: each (control, local id) gets a Windows timer id of
// its own, and a Windows id still held by a running timer is never handed out twice, so that
// one timer cannot silently replace another.
#include <windows.h>

#include <vector>

namespace SkinUI {

class IControlUI;

class CTimerTable {
public:
    CTimerTable() = default;
    ~CTimerTable() { KillAll(); }
    CTimerTable(const CTimerTable&) = delete;
    CTimerTable& operator=(const CTimerTable&) = delete;

    // Starts the control's timer on the window (SetTimer). False when it runs already, when no
    // Windows id is free or when Windows refuses.
    bool Start(HWND window, IControlUI* control, UINT localId, UINT elapse);
    bool Stop(HWND window, IControlUI* control, UINT localId);
    // Kills and forgets every timer of the control.
    void Forget(IControlUI* control);
    void KillAll();
    // The running timer of the window with this Windows id: its control and local id.
    bool Find(HWND window, UINT windowsId, IControlUI*& control, UINT& localId) const;
    std::size_t Count() const { return timers_.size(); }

private:
    struct Timer {
        IControlUI* control;
        UINT localId;
        HWND window;
        UINT windowsId;
        bool stopped;
    };
    bool InUse(HWND window, UINT id) const;
    bool FreshId(HWND window, UINT& id);

    std::vector<Timer> timers_;
    UINT counter_ = 4096;
};

}  // namespace SkinUI
