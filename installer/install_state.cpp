#include "installer/install_state.h"

#include "app/log.h"

namespace {
const char kTag[] = "InstallState";

const char* StageName(InstallStage stage) {
    switch (stage) {
        case InstallStage::Ready:
            return "ready";
        case InstallStage::Downloading:
            return "downloading";
        case InstallStage::Installing:
            return "installing";
        case InstallStage::Finished:
            return "finished";
        case InstallStage::Abandoned:
        default:
            return "abandoned";
    }
}
}  // namespace

bool DownloadNote::operator==(const DownloadNote& other) const {
    const DiskShortage& a = diskShortage;
    const DiskShortage& b = other.diskShortage;
    return bytesWritten == other.bytesWritten &&
           checksumFailuresInARow == other.checksumFailuresInARow &&
           proxyRefused == other.proxyRefused && a.active == b.active &&
           a.duringTransfer == b.duringTransfer && a.installVolume == b.installVolume &&
           a.volume == b.volume && a.needed == b.needed && a.freeBytes == b.freeBytes;
}

InstallState::InstallState() : changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

InstallSnapshot InstallState::Read() const {
    AutoLock hold(lock_);
    return state_;
}

bool InstallState::Refuse(const char* change) const {
    LogW(kTag, "refused: ", change, " while ", StageName(state_.stage));
    return false;
}

void InstallState::Changed() {
    ++state_.version;
    if (changed_.valid()) {
        SetEvent(changed_.get());
    }
}

bool InstallState::StartDownload() {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Ready) {
        return Refuse("start the download");
    }
    state_.stage = InstallStage::Downloading;
    Changed();
    return true;
}

bool InstallState::SetPaused(bool paused) {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Downloading) {
        return Refuse(paused ? "pause" : "resume");
    }
    if (state_.paused != paused) {
        state_.paused = paused;
        Changed();
    }
    return true;
}

bool InstallState::NoteDownload(const DownloadNote& note) {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Downloading) {
        return Refuse("note the download");
    }
    if (!(state_.download == note)) {
        state_.download = note;
        Changed();
    }
    return true;
}

bool InstallState::StartInstalling() {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Downloading) {
        return Refuse("start installing");
    }
    state_.stage = InstallStage::Installing;
    state_.paused = false;
    Changed();
    return true;
}

bool InstallState::Abandon() {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Downloading) {
        return Refuse("abandon");
    }
    state_.stage = InstallStage::Abandoned;
    state_.paused = false;
    Changed();
    return true;
}

bool InstallState::EndDownloadWithout(PackageOutcome outcome) {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Downloading) {
        return Refuse("end the download without a package");
    }
    state_.stage = InstallStage::Finished;
    state_.paused = false;
    state_.packageReturned = true;
    state_.outcome = outcome;
    Changed();
    return true;
}

bool InstallState::SetPackageRunning(bool running) {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Installing || state_.packageReturned) {
        return Refuse(running ? "start the package" : "end the package");
    }
    if (state_.packageRunning != running) {
        state_.packageRunning = running;
        Changed();
    }
    return true;
}

bool InstallState::SetOutcome(PackageOutcome outcome, DWORD exitCode) {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Installing || state_.packageReturned) {
        return Refuse("record the package's outcome");
    }
    state_.packageRunning = false;
    state_.packageReturned = true;
    state_.outcome = outcome;
    state_.packageExitCode = exitCode;
    Changed();
    return true;
}

bool InstallState::Finish() {
    AutoLock hold(lock_);
    if (state_.stage != InstallStage::Installing || !state_.packageReturned) {
        return Refuse("finish");
    }
    state_.stage = InstallStage::Finished;
    Changed();
    return true;
}

InstallSnapshot InstallState::WaitForChange(unsigned seenVersion, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    for (;;) {
        const InstallSnapshot now = Read();
        const DWORD elapsed = GetTickCount() - start;
        if (now.version != seenVersion || elapsed >= timeoutMs) {
            return now;
        }
        const DWORD left = timeoutMs - elapsed;
        if (changed_.valid()) {
            WaitForSingleObject(changed_.get(), left);
        } else {
            Sleep(left < 250 ? left : 250);  // no event to wait on: look again now and then
        }
    }
}
