#pragma once
// A thin layer over libcurl's easy interface for small GET requests whose whole body is
// wanted in memory. Network failures never throw out of perform(): they are logged and give
// an empty body and code 0; so does a body over the size bound. Only failing to obtain a
// handle throws CurlEasy::Exception.
#include <curl/curl.h>

#include "download/scoped_curl.h"

#include <stdexcept>
#include <string>

namespace CurlEasy {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Logs "checkResult code=<n>" (E, tag "Request") for any result but CURLE_OK. Never throws.
void checkResult(CURLcode code);

// The one process-wide libcurl initialisation; also makes easy handles.
class Global {
public:
    Global();
    ~Global();
    Global(const Global&) = delete;
    Global& operator=(const Global&) = delete;

    // A new easy handle; throws Exception("Unable to initialize new curl request").
    CURL* createHandle();

    static Global& instance();
};

struct Response {
    std::string body;
    int code = 0;
};

class Request {
public:
    // Bodies are small documents (a configuration, a report's answer); a longer one is
    // dropped: perform() then gives an empty body, as for a failed transfer.
    static constexpr size_t kMaxBodyBytes = 64 * 1024;
    // Performs of one request: the logon, saved credentials, typed credentials.
    static constexpr int kMaxProxyRounds = 3;

    Request();
    virtual ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    Response perform(const std::string& url);

protected:
    virtual void setOptions() = 0;
    CURL* handle() const { return handle_.get(); }

private:
    void prepare();
    static size_t onBodyData(char* data, size_t size, size_t count, void* request);

    ScopedCurl handle_;
    bool prepared_ = false;
    bool bodyDropped_ = false;  // the current response was longer than kMaxBodyBytes
    std::string body_;
};

// Cookies kept across performs, automatic referer, certificates checked (tls_policy.h), and bounded
// waiting: a server that accepts and never answers must not freeze the calling thread.
class BasicRequest : public Request {
public:
    static constexpr long kConnectTimeoutSeconds = 15;
    static constexpr long kTotalTimeoutSeconds = 30;

    explicit BasicRequest(long totalTimeoutSeconds = kTotalTimeoutSeconds)
        : totalTimeoutSeconds_(totalTimeoutSeconds) {}

protected:
    void setOptions() override;

private:
    long totalTimeoutSeconds_;
};

}  // namespace CurlEasy
