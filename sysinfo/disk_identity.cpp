#include "sysinfo/disk_identity.h"

#include <windows.h>

#include <winioctl.h>

#include <cstdio>
#include <cstring>

#include "app/scoped_handles.h"

namespace {

const BYTE kIdentifyPacketDevice = 0xA1;
const BYTE kIdentifyDevice = 0xEC;
const DWORD kIdentifyBytes = 512;

// Written by whichever thread probes (UI or download thread): guarded.
CriticalSection& IdentityLock() {
    static CriticalSection lock;
    return lock;
}

DiskIdentity& Identity() {
    static DiskIdentity identity = {};
    return identity;
}

// Stores text into a 64-byte field. Identify data gives at most 40 characters, so nothing is
// ever cut; the bound is kept anyway.
void StoreField(char (&field)[64], const std::string& text) {
    const size_t length = text.size() < sizeof field ? text.size() : sizeof field - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace

std::string AtaString(const uint16_t* words, size_t first, size_t last) {
    std::string text;
    for (size_t i = first; i <= last; ++i) {
        const char bytes[2] = {static_cast<char>(words[i] >> 8),
                               static_cast<char>(words[i] & 0xFF)};
        for (char c : bytes) {
            if (c != '\0' && c != ' ') {
                text += c;
            }
        }
    }
    return text;
}

int ReadDiskIdentity(int drive) {
    wchar_t path[64];
    swprintf(path, 64, L"\\\\.\\PHYSICALDRIVE%d", drive);
    ScopedHandle device(CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    if (!device.valid()) {
        return -1;
    }
    GETVERSIONINPARAMS version = {};
    DWORD returned = 0;
    if (!DeviceIoControl(device.get(), SMART_GET_VERSION, nullptr, 0, &version, sizeof version,
                         &returned, nullptr) ||
        version.bIDEDeviceMap == 0) {
        return -2;
    }
    SENDCMDINPARAMS in = {};
    in.cBufferSize = kIdentifyBytes;
    in.irDriveRegs.bFeaturesReg = 0;
    in.irDriveRegs.bSectorCountReg = 1;
    in.irDriveRegs.bSectorNumberReg = 1;
    in.irDriveRegs.bCylLowReg = 0;
    in.irDriveRegs.bCylHighReg = 0;
    in.irDriveRegs.bDriveHeadReg = (drive & 1) ? 0xB0 : 0xA0;
    in.irDriveRegs.bCommandReg =
        (version.bIDEDeviceMap & 0x10) ? kIdentifyPacketDevice : kIdentifyDevice;
    in.bDriveNumber = static_cast<BYTE>(drive);
    // SENDCMDOUTPARAMS holds the first byte of the data; the rest follows it.
    BYTE out[sizeof(SENDCMDOUTPARAMS) + kIdentifyBytes] = {};
    if (!DeviceIoControl(device.get(), SMART_RCV_DRIVE_DATA, &in, sizeof(SENDCMDINPARAMS) - 1, out,
                         sizeof out, &returned, nullptr)) {
        return -3;
    }
    uint16_t words[kIdentifyBytes / 2];
    std::memcpy(words, reinterpret_cast<SENDCMDOUTPARAMS*>(out)->bBuffer, sizeof words);
    AutoLock lock(IdentityLock());
    StoreField(Identity().serial, AtaString(words, 10, 19));
    StoreField(Identity().model, AtaString(words, 27, 46));
    return 0;
}

DiskIdentity GetDiskIdentity() {
    AutoLock lock(IdentityLock());
    return Identity();
}

std::string GetDiskSerial() {
    ReadDiskIdentity(0);
    return GetDiskIdentity().serial;
}
