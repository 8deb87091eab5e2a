#pragma once
// MAC address of the first physical network adapter, read through the WMI component.
#include <string>

// The address as WMI gives it, "ERRORWMIINIT" when the component could not be created, or
// "ERRORGETMAC" when no physical adapter answered.
std::string GetMacAddress();
