#pragma once
// The highest configuration serial accepted, per channel, kept so that an older signed
// configuration is refused later (see config_freshness.h). An administrator's run keeps it in
// HKLM: the user's own HKCU can be rewritten by any process of that user, which could then
// lower the serial and replay an older signed configuration to the elevated installer. A run
// without administrator rights (a limited XP user) cannot write HKLM and keeps HKCU.
#include <cstdint>

#include "installer/config_channel.h"

#include <windows.h>

// The highest serial accepted for the channel, 0 when none was stored (or it is unreadable,
// with a W line). Key Software\Velmora\Installer under AcceptedSerialRoot(), value
// "ConfigSerial" for the release channel (the value older installers kept) and
// "ConfigSerialTest" for the test channel.
uint64_t ReadAcceptedSerial(ConfigChannel channel);
bool StoreAcceptedSerial(ConfigChannel channel, uint64_t serial);

// HKEY_LOCAL_MACHINE for an administrator's token, else HKEY_CURRENT_USER.
HKEY AcceptedSerialRoot();
// The same with the root given (tests of both places).
uint64_t ReadAcceptedSerialFrom(HKEY root, ConfigChannel channel);
bool StoreAcceptedSerialIn(HKEY root, ConfigChannel channel, uint64_t serial);
