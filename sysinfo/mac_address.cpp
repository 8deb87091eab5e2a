#include "sysinfo/mac_address.h"

#include <vector>

#include "sysinfo/hardware_info.h"
#include "sysinfo/wmi_exports.h"

std::string GetMacAddress() {
    // The session keeps another thread's report from using the component meanwhile.
    WmiSession session(kNetworkInfoClass);
    if (session.initResult() == 0) {
        return "ERRORWMIINIT";
    }
    std::vector<wchar_t> buffer(kHardwareInfoOutChars, L'\0');
    if (WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, buffer.data()) == 0) {
        return "ERRORGETMAC";
    }
    std::string mac;
    for (const wchar_t* p = buffer.data(); *p != L'\0'; ++p) {
        mac += static_cast<char>(*p);
    }
    return mac;
}
