#pragma once
// Usage steps reported to the operate endpoint with the machine's hardware profile.
#include <string>

enum ReportStep {
    kStepDownloaderStart = 0,
    kStepSetupDownloaded = 1,
    kStepSetupCancel = 2,
    kStepSetupSuccess = 3,
    kStepContinueSetup = 4,
    kStepCancelSetup = 5,
    kStepPercent2 = 6,
    kStepPercent50 = 7,
    kStepSetupFailed = 8,
};

// "DownloaderStart" ... "SetupFailed"; "" for an identifier outside 0 to 8.
std::string GetStepName(int step);

// The profile values of one report, in query order.
struct ReportProfile {
    std::string osName, osVersion, cpuName, cpuCount, memory, gpu, gpuDriver, mac, diskSerial,
        machineGuid, localTime;
};

// The run's hardware profile (probed on the first call, sysinfo/hardware_profile.h) with the
// local time of now.
ReportProfile GatherReportProfile();

// base + the 20 query keys with the given values inserted raw (not encoded).
std::string ComposeReportUrl(const std::string& base, const ReportProfile& profile, int number,
                             const std::string& stepName, const std::string& interval);

// The full, not yet encoded, address of a report on GetReportBaseUrl() with the run's profile,
// the local time and a fresh random number.
std::string BuildReportUrl(const std::string& stepName, const std::string& interval);

// Encodes url and sends it; failures are only logged.
void SendReport(const std::string& url);

// Queue the step for the report thread (report_queue.h) and return at once. The interval, the
// reporting address and the local time are those of the moment of the call; the hardware
// profile is gathered on the report thread.
// The step with interval "0".
void ReportStepNow(int step);
// The step with the time since the interval clock was last restarted.
void ReportStepWithInterval(int step);
