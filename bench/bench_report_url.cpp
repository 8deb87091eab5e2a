// Times one step-report address (the first probes the run's hardware profile, later ones reuse
// it), every probe afresh, and each probe alone.
// Run under Wine with a display for Direct3D 9, e.g.
//   xvfb-run -a wine bench_report_url.exe
#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <functional>
#include <string>

#include "report/report_hosts.h"
#include "report/step_report.h"
#include "sysinfo/disk_identity.h"
#include "sysinfo/gpu_info.h"
#include "sysinfo/hardware_profile.h"
#include "sysinfo/local_time.h"
#include "sysinfo/mac_address.h"
#include "sysinfo/machine_guid.h"
#include "sysinfo/memory.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"

namespace {

double Milliseconds(const std::function<void()>& work) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void Probe(const char* name, const std::function<std::string()>& probe) {
    std::string value;
    const double ms = Milliseconds([&] { value = probe(); });
    std::printf("  %-18s %8.1f ms  %s\n", name, ms, value.c_str());
}

}  // namespace

int main() {
    CoInitialize(nullptr);  // as on the installer's UI thread
    SetReportBaseUrl(OperateEndpointFor(GetUserDefaultLangID()));
    std::string url;
    const double cold = Milliseconds([&] { url = BuildReportUrl("DownloaderStart", "0"); });
    std::printf("BuildReportUrl, first in the process: %.1f ms\n", cold);
    double total = 0;
    const int rounds = 5;
    for (int i = 0; i < rounds; ++i) {
        total += Milliseconds([&] { url = BuildReportUrl("DownloaderStart", "0"); });
    }
    std::printf("BuildReportUrl, mean of %d later calls: %.1f ms\n", rounds, total / rounds);
    const double fresh = Milliseconds([] { ProbeHardwareProfile(); });
    std::printf("ProbeHardwareProfile, every probe afresh: %.1f ms\n", fresh);
    std::printf("Each probe (warm):\n");
    Probe("GetOsName", GetOsName);
    Probe("GetOsVersionText", GetOsVersionText);
    Probe("GetProcessorName", GetProcessorNameAnsi);
    Probe("GetProcessorCount", GetProcessorCount);
    Probe("GetTotalMemoryMB", GetTotalMemoryMB);
    Probe("QueryGpuInfo", [] {
        GpuInfo gpu;
        QueryGpuInfo(gpu);
        return gpu.description + " / " + gpu.driver;
    });
    Probe("GetMacAddress", GetMacAddress);
    Probe("GetDiskSerial", GetDiskSerial);
    Probe("GetMachineGuid", GetMachineGuid);
    Probe("GetLocalTimeText", GetLocalTimeText);
    std::printf("%s\n", url.c_str());
    CoUninitialize();
    return 0;
}
