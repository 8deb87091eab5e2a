#pragma once
// The machine facts every report carries that cannot change while the installer runs: the
// system, processor, memory, graphics adapter, network adapter, disk and machine identifier.
// They are probed once per run and kept; the local time is not among them.
#include <string>

struct HardwareProfile {
    std::string osName, osVersion, cpuName, cpuCount, memory, gpu, gpuDriver, mac, diskSerial,
        machineGuid;
};

// Every probe, each once, in the order of the report's query. Slow (Direct3D, WMI, the disk):
// never on the UI thread.
HardwareProfile ProbeHardwareProfile();

// The profile of this run: probed on the first call, which later callers on any thread wait
// for; the same values from then on.
const HardwareProfile& GetHardwareProfile();
