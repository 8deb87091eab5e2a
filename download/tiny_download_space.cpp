// Room on the disk: the check before a transfer (the bytes still to come on the package's
// volume, the installed size on the install folder's), the wait until there is room, and what
// the failing attempts look like to the progress display.
#include <algorithm>

#include "app/log.h"
#include "download/tiny_download.h"
#include "download/tiny_download_state.h"

namespace {
const char kTag[] = "CTinyDownload";
}  // namespace

void CTinyDownload::SetInstallSpace(const std::string& folder, uint64_t bytes) {
    m_installFolder = folder;
    m_installBytes = bytes;
}

DiskShortage CTinyDownload::GetDiskShortage() {
    AutoLock lock(m_lock);
    return m_shortage;
}

void CTinyDownload::SetShortage(const DiskShortage& shortage) {
    AutoLock lock(m_lock);
    m_shortage = shortage;
}

RetryState CTinyDownload::GetRetryState() const {
    RetryState state;
    state.failing = m_failing.load();
    state.waiting = state.failing && m_retryWaiting.load();
    if (state.waiting) {
        // Wraps with the tick count: a deadline passed reads as a huge number, i.e. none left.
        const DWORD left = m_retryUntil.load() - GetTickCount();
        state.msLeft = left > m_timing.maxRetryDelayMs ? 0 : left;
    }
    return state;
}

bool CTinyDownload::FindShortage(const std::string& path, uint64_t remaining,
                                 DiskShortage* shortage) {
    std::vector<SpaceNeed> needs = {{path, remaining + kSpaceMarginBytes}};
    if (m_installBytes > 0) {
        needs.push_back({m_installFolder, m_installBytes});
    }
    SpaceShortfall shortfall;
    if (!FindShortfall(needs, m_freeSpace, &shortfall)) {
        return false;
    }
    shortage->active = true;
    shortage->volume = shortfall.volume;
    shortage->needed = shortfall.needed;
    shortage->freeBytes = shortfall.freeBytes;
    shortage->installVolume =
        std::find(shortfall.needs.begin(), shortfall.needs.end(), 1u) != shortfall.needs.end();
    return true;
}

CTinyDownload::SpaceWait CTinyDownload::WaitForSpace(const std::string& path, uint64_t remaining) {
    uint64_t loggedFree = UINT64_MAX;
    for (;;) {
        DiskShortage shortage;
        if (!FindShortage(path, remaining, &shortage)) {
            if (GetDiskShortage().active) {
                LogI(kTag, "there is room on the disk now, the download goes on");
                SetShortage(DiskShortage());
            }
            return SpaceWait::Room;
        }
        {
            AutoLock lock(m_lock);
            // A write that failed for lack of room keeps saying so until there is room.
            shortage.duringTransfer = m_shortage.active && m_shortage.duringTransfer;
            m_shortage = shortage;
        }
        if (shortage.freeBytes != loggedFree) {
            loggedFree = shortage.freeBytes;
            LogW(kTag, "not enough disk space on ", shortage.volume, ": ", shortage.needed,
                 " bytes needed, ", shortage.freeBytes, " free; asked again every ",
                 static_cast<unsigned>(m_timing.spaceRecheckMs), " ms");
        }
        HANDLE events[2] = {m_cancelEvent.get(), m_recheckEvent.get()};
        const DWORD woken = WaitForMultipleObjects(2, events, FALSE, m_timing.spaceRecheckMs);
        if (woken == WAIT_OBJECT_0 || m_cancel.load()) {
            return SpaceWait::Cancelled;
        }
        if (PauseRequested()) {
            return SpaceWait::Paused;
        }
    }
}
