#include "report/report_hosts.h"

#include "app/scoped_handles.h"

#if !defined(VELMORA_REPORT_HOST_CN) || !defined(VELMORA_REPORT_HOST_INTL)
#error "The reporting host names must be defined by the build (see report/CMakeLists.txt)"
#endif

namespace {

std::string HostFor(LANGID language) {
    return language == kChineseLanguageId ? VELMORA_REPORT_HOST_CN : VELMORA_REPORT_HOST_INTL;
}

CriticalSection& BaseUrlLock() {
    static CriticalSection lock;
    return lock;
}

std::string& BaseUrl() {
    static std::string url;
    return url;
}

}  // namespace

std::string OperateEndpointFor(LANGID language) {
    return "http://" + HostFor(language) + "/qzadmin/operate.php";
}

std::string DownSpeedEndpointFor(LANGID language) {
    return "http://" + HostFor(language) + "/qzadmin/down_speed.php";
}

void SetReportBaseUrl(const std::string& url) {
    AutoLock lock(BaseUrlLock());
    BaseUrl() = url;
}

std::string GetReportBaseUrl() {
    AutoLock lock(BaseUrlLock());
    // Known from the start: the configuration prompt can report before any window exists.
    if (BaseUrl().empty()) {
        BaseUrl() = OperateEndpointFor(GetUserDefaultLangID());
    }
    return BaseUrl();
}
