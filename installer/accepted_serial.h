#pragma once
// The highest configuration serial this account has accepted, kept so that an older signed
// configuration is refused later (see config_freshness.h).
#include <cstdint>

// The highest serial accepted on this account, 0 when none was stored (or it is unreadable,
// with a W line). Key HKCU\Software\Velmora\Installer, value "ConfigSerial".
uint64_t ReadAcceptedSerial();
bool StoreAcceptedSerial(uint64_t serial);
