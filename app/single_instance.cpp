#include "app/single_instance.h"

const wchar_t kInstallerMutexName[] =
    L"Local\\VelmoraInstaller.{5d3f8a52-6c1e-4b7e-9d2a-0e4f7b1c9a63}";

SingleInstance::SingleInstance(const wchar_t* name) {
    mutex_.reset(CreateMutexW(nullptr, TRUE, name));
    error_ = GetLastError();
    if (!mutex_.valid()) {
        return;
    }
    if (error_ != ERROR_ALREADY_EXISTS) {
        owned_ = true;
        error_ = ERROR_SUCCESS;
        return;
    }
    // It existed: the holder may also be a copy that has just ended (abandoned) or a process
    // that created it without owning it.
    owned_ = WaitForOwnership(0);
}

SingleInstance::~SingleInstance() {
    if (owned_) {
        ReleaseMutex(mutex_.get());
    }
}

bool SingleInstance::WaitForOwnership(DWORD milliseconds) {
    if (owned_) {
        return true;
    }
    if (!mutex_.valid()) {
        Sleep(milliseconds);
        return false;
    }
    const DWORD result = WaitForSingleObject(mutex_.get(), milliseconds);
    owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return owned_;
}
