#include "sysinfo/os_version.h"

#include <windows.h>

#include <cstdio>

namespace {

bool Verify(unsigned major, BYTE majorCondition, unsigned minor, BYTE minorCondition,
            bool withMinor) {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    DWORDLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, majorCondition);
    DWORD typeMask = VER_MAJORVERSION;
    if (withMinor) {
        mask = VerSetConditionMask(mask, VER_MINORVERSION, minorCondition);
        typeMask |= VER_MINORVERSION;
    }
    return VerifyVersionInfoW(&info, typeMask, mask) != FALSE;
}

bool VerifyXpSp3(BYTE versionCondition, BYTE servicePackCondition) {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = 5;
    info.dwMinorVersion = 1;
    info.wServicePackMajor = 3;
    DWORDLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, versionCondition);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, versionCondition);
    mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, servicePackCondition);
    return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              mask) != FALSE;
}

}  // namespace

bool IsVersionEqual(unsigned major, unsigned minor) {
    return Verify(major, VER_EQUAL, minor, VER_EQUAL, true);
}

bool IsVersionGreater(unsigned major, unsigned minor) {
    return Verify(major, VER_GREATER, 0, 0, false) ||
           Verify(major, VER_EQUAL, minor, VER_GREATER, true);
}

bool IsVersionLess(unsigned major, unsigned minor) {
    return Verify(major, VER_LESS, 0, 0, false) || Verify(major, VER_EQUAL, minor, VER_LESS, true);
}

std::string GetOsName() {
    if (IsVersionLess(5, 1)) {
        return "Less XP";
    }
    if (IsVersionEqual(5, 1)) {
        return "Windows XP";
    }
    if (IsVersionEqual(5, 2)) {
        return "Windows Server 2003";
    }
    if (IsVersionEqual(6, 0)) {
        return "Windows Vista";
    }
    if (IsVersionEqual(6, 1)) {
        return "Windows 7";
    }
    if (IsVersionEqual(6, 2)) {
        return "Windows 8";
    }
    if (IsVersionEqual(6, 3)) {
        return "Windows 8.1";
    }
    if (IsVersionGreater(6, 2)) {
        return "new windos";
    }
    return "";
}

std::string GetOsVersionText() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info)) {
        return "";
    }
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%d", static_cast<int>(info.dwMajorVersion),
                  static_cast<int>(info.dwMinorVersion), static_cast<int>(info.dwBuildNumber));
    return text;
}

bool IsOlderThanXpSp3() {
    return VerifyXpSp3(VER_LESS_EQUAL, VER_LESS);
}

bool IsXpSp3() {
    return VerifyXpSp3(VER_EQUAL, VER_EQUAL);
}
