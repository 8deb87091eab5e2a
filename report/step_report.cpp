#include "report/step_report.h"

#include "app/channel.h"
#include "report/interval_clock.h"
#include "report/percent_encode.h"
#include "report/report_hosts.h"
#include "report/report_queue.h"
#include "report/report_sender.h"
#include "report/report_sign.h"
#include "sysinfo/hardware_profile.h"
#include "sysinfo/local_time.h"

std::string GetStepName(int step) {
    static const char* const kNames[] = {
        "DownloaderStart", "SetupDownloaded", "SetupCancel", "SetupSuccess", "ContinueSetup",
        "CancelSetup",     "Percent2",        "Percent50",   "SetupFailed",
    };
    if (step < 0 || step >= static_cast<int>(sizeof kNames / sizeof kNames[0])) {
        return "";
    }
    return kNames[step];
}

ReportProfile GatherReportProfile() {
    const HardwareProfile& hardware = GetHardwareProfile();
    ReportProfile p;
    p.osName = hardware.osName;
    p.osVersion = hardware.osVersion;
    p.cpuName = hardware.cpuName;
    p.cpuCount = hardware.cpuCount;
    p.memory = hardware.memory;
    p.gpu = hardware.gpu;
    p.gpuDriver = hardware.gpuDriver;
    p.mac = hardware.mac;
    p.diskSerial = hardware.diskSerial;
    p.machineGuid = hardware.machineGuid;
    p.localTime = GetLocalTimeText();
    return p;
}

std::string ComposeReportUrl(const std::string& base, const ReportProfile& profile, int number,
                             const std::string& stepName, const std::string& interval) {
    std::string url = base;
    url += "?sys=" + profile.osName;
    url += "&type=0";
    url += "&sysver=" + profile.osVersion;
    url += "&name=Installer";
    url += "&version=InstallerVersion";
    url += "&cpudes=" + profile.cpuName;
    url += "&cpu=" + profile.cpuCount;
    url += "&memory=" + profile.memory;
    url += "&gpu=" + profile.gpu;
    url += "&gpudriver=" + profile.gpuDriver;
    url += "&vt=-1";
    url += "&sign=" + MakeSign(number);
    url += "&rand=" + std::to_string(number);
    url += "&mac=" + profile.mac;
    url += "&hdsn=" + profile.diskSerial;
    url += "&guid=" + profile.machineGuid;
    url += "&step=" + stepName;
    url += "&interval=" + interval;
    url += "&channel=" + GetChannelId();
    url += "&time=" + profile.localTime;
    return url;
}

std::string BuildReportUrl(const std::string& stepName, const std::string& interval) {
    const ReportProfile profile = GatherReportProfile();
    return ComposeReportUrl(GetReportBaseUrl(), profile, DrawReportNumber(), stepName, interval);
}

void SendReport(const std::string& url) {
    SendReportRequest(PercentEncodeUrl(url));
}

namespace {
// What belongs to the moment of the event is taken now; the probes and the request run on the
// report thread.
void QueueStep(const std::string& stepName, const std::string& interval) {
    const std::string base = GetReportBaseUrl();
    const std::string localTime = GetLocalTimeText();
    QueueReport([base, localTime, stepName, interval] {
        ReportProfile profile = GatherReportProfile();
        profile.localTime = localTime;
        SendReport(ComposeReportUrl(base, profile, DrawReportNumber(), stepName, interval));
    });
}
}  // namespace

void ReportStepNow(int step) {
    QueueStep(GetStepName(step), "0");
}

void ReportStepWithInterval(int step) {
    QueueStep(GetStepName(step), GetIntervalText(1));
}
