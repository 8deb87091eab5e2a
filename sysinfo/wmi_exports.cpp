#include "sysinfo/wmi_exports.h"

#include "sysinfo/hardware_info.h"

namespace {
CHIBase* g_instance = nullptr;
}  // namespace

CriticalSection& WmiLock() {
    static CriticalSection lock;
    return lock;
}

CHIBase* CreateHardwareInfo(int classKind) {
    if (classKind == kNetworkInfoClass) {
        CNetworkInfo* info = new CNetworkInfo;
        info->Connect();
        if (g_instance) {
            g_instance->Disconnect();
            delete g_instance;
        }
        g_instance = info;
    }
    return g_instance;
}

extern "C" int __cdecl WMI_Init(int classKind) {
    AutoLock lock(WmiLock());
    return CreateHardwareInfo(classKind) ? 1 : 0;
}

extern "C" int __cdecl WMI_GetFirstHardwareInfo(int infoKind, wchar_t* out) {
    AutoLock lock(WmiLock());
    if (!g_instance || !out) {
        return 0;
    }
    return g_instance->GetFirstHardwareInfo(infoKind, out);
}

extern "C" int __cdecl WMI_GetNextHardwareInfo(int infoKind, wchar_t* out) {
    AutoLock lock(WmiLock());
    if (!g_instance || !out) {
        return 0;
    }
    return g_instance->GetNextHardwareInfo(infoKind, out);
}

extern "C" int __cdecl WMI_Exit() {
    AutoLock lock(WmiLock());
    if (g_instance) {
        g_instance->Disconnect();
        delete g_instance;
        g_instance = nullptr;
    }
    return 1;
}

WmiSession::WmiSession(int classKind) : lock_(WmiLock()), initResult_(WMI_Init(classKind)) {}

WmiSession::~WmiSession() {
    WMI_Exit();
}
