#include "report/speed_report.h"

#include <windows.h>

#include <climits>

#include "app/channel.h"
#include "app/log.h"
#include "download/tiny_download.h"
#include "report/report_hosts.h"
#include "report/report_queue.h"
#include "report/report_sender.h"
#include "report/report_sign.h"
#include "sysinfo/hardware_profile.h"

namespace {
const char kTag[] = "CMainFrame";
}  // namespace

int ComputeSpeedKiB(double transferBytes, int sampleCount) {
    if (sampleCount < 1) {
        return -1;
    }
    double average = transferBytes / static_cast<double>(sampleCount);
    // Keeps the conversion defined for absurd inputs (a negative or enormous byte count).
    if (!(average > 0.0)) {
        average = 0.0;
    } else if (average > static_cast<double>(INT_MAX)) {
        average = static_cast<double>(INT_MAX);
    }
    return static_cast<int>(average) / 1024;
}

std::string ComposeSpeedReportUrl(const std::string& endpoint, int number, const std::string& mac,
                                  int speedKiB) {
    std::string url = endpoint;
    url += "?sign=" + MakeSign(number);
    url += "&type=win";
    url += "&rand=" + std::to_string(number);
    url += "&channel=" + GetChannelId();
    url += "&mac=" + mac;
    url += "&speed=" + std::to_string(speedKiB);
    return url;
}

void SendSpeedReport(double transferBytes) {
    const int samples = SpeedSampleCount.load();
    if (samples <= 1) {
        return;
    }
    // The count belongs to this download: the next attempt resets it.
    const int speed = ComputeSpeedKiB(transferBytes, samples);
    const std::string endpoint = DownSpeedEndpointFor(GetUserDefaultLangID());
    QueueReport([endpoint, samples, speed] {
        const std::string url =
            ComposeSpeedReportUrl(endpoint, DrawReportNumber(), GetHardwareProfile().mac, speed);
        SendReportRequest(url);
        LogT(kTag, url);
        LogT(kTag, "Time:", samples);
        LogT(kTag, "Speed:", speed);
    });
}
