#include "report/report_sender.h"

#include "app/log.h"
#include "download/curl_easy.h"

void SendReportRequest(const std::string& url) {
    try {
        CurlEasy::BasicRequest request;
        request.perform(url);
    } catch (const CurlEasy::Exception& e) {
        LogE("Report", "report not sent: ", e.what());
    }
}
