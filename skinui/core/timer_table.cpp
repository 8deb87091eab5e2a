#include "skinui/core/timer_table.h"

#include <algorithm>

namespace SkinUI {

bool CTimerTable::InUse(HWND window, UINT id) const {
    return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& timer) {
        return !timer.stopped && timer.window == window && timer.windowsId == id;
    });
}

// Windows ids cycle through 0..254.
bool CTimerTable::FreshId(HWND window, UINT& id) {
    for (int tries = 0; tries < 255; ++tries) {
        counter_ = (counter_ + 1) % 255;
        if (!InUse(window, counter_)) {
            id = counter_;
            return true;
        }
    }
    return false;
}

bool CTimerTable::Start(HWND window, IControlUI* control, UINT localId, UINT elapse) {
    if (control == nullptr || window == nullptr) {
        return false;
    }
    for (Timer& timer : timers_) {
        if (timer.control == control && timer.window == window && timer.localId == localId) {
            if (!timer.stopped) {
                return false;
            }
            UINT id = timer.windowsId;
            if (InUse(window, id) && !FreshId(window, id)) {
                return false;
            }
            if (SetTimer(window, id, elapse, nullptr) == 0) {
                return false;
            }
            timer.windowsId = id;
            timer.stopped = false;
            return true;
        }
    }
    UINT id = 0;
    if (!FreshId(window, id) || SetTimer(window, id, elapse, nullptr) == 0) {
        return false;
    }
    timers_.push_back(Timer{control, localId, window, id, false});
    return true;
}

bool CTimerTable::Stop(HWND window, IControlUI* control, UINT localId) {
    for (Timer& timer : timers_) {
        if (timer.control == control && timer.window == window && timer.localId == localId &&
            !timer.stopped) {
            KillTimer(timer.window, timer.windowsId);
            timer.stopped = true;
            return true;
        }
    }
    return false;
}

void CTimerTable::Forget(IControlUI* control) {
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->control == control) {
            if (!it->stopped && it->window != nullptr) {
                KillTimer(it->window, it->windowsId);
            }
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

void CTimerTable::KillAll() {
    for (Timer& timer : timers_) {
        if (!timer.stopped && timer.window != nullptr) {
            KillTimer(timer.window, timer.windowsId);
        }
    }
    timers_.clear();
}

bool CTimerTable::Find(HWND window, UINT windowsId, IControlUI*& control, UINT& localId) const {
    for (const Timer& timer : timers_) {
        if (timer.window == window && timer.windowsId == windowsId && !timer.stopped) {
            control = timer.control;
            localId = timer.localId;
            return true;
        }
    }
    return false;
}

}  // namespace SkinUI
