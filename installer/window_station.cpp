#include "installer/window_station.h"

#include <windows.h>

bool WindowStationIsInteractive() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!station ||
        !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
