#include "sysinfo/hardware_profile.h"

#include "app/scoped_handles.h"
#include "sysinfo/disk_identity.h"
#include "sysinfo/gpu_info.h"
#include "sysinfo/mac_address.h"
#include "sysinfo/machine_guid.h"
#include "sysinfo/memory.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"

HardwareProfile ProbeHardwareProfile() {
    HardwareProfile p;
    p.osName = GetOsName();
    p.osVersion = GetOsVersionText();
    p.cpuName = GetProcessorNameAnsi();
    p.cpuCount = GetProcessorCount();
    p.memory = GetTotalMemoryMB();
    // One Direct3D query for both texts.
    GpuInfo gpu;
    QueryGpuInfo(gpu);
    p.gpu = gpu.description;
    p.gpuDriver = gpu.driver;
    p.mac = GetMacAddress();
    p.diskSerial = GetDiskSerial();
    p.machineGuid = GetMachineGuid();
    return p;
}

const HardwareProfile& GetHardwareProfile() {
    // Held while the first caller probes, so a second one waits instead of probing again.
    static CriticalSection lock;
    static HardwareProfile profile;
    static bool probed = false;
    AutoLock hold(lock);
    if (!probed) {
        profile = ProbeHardwareProfile();
        probed = true;
    }
    return profile;
}
