#pragma once
// The highest configuration serial this account has accepted, per channel, kept so that an
// older signed configuration is refused later (see config_freshness.h).
#include <cstdint>

#include "installer/config_channel.h"

// The highest serial accepted on this account for the channel, 0 when none was stored (or it
// is unreadable, with a W line). Key HKCU\Software\Velmora\Installer, value "ConfigSerial" for
// the release channel (the value older installers kept) and "ConfigSerialTest" for the test
// channel.
uint64_t ReadAcceptedSerial(ConfigChannel channel);
bool StoreAcceptedSerial(ConfigChannel channel, uint64_t serial);
