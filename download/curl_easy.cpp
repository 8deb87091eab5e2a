#include "download/curl_easy.h"

#include "app/log.h"
#include "download/system_proxy.h"
#include "download/tls_policy.h"

namespace CurlEasy {

void checkResult(CURLcode code) {
    if (code != CURLE_OK) {
        LogE("Request", "checkResult code=", static_cast<int>(code));
    }
}

Global::Global() {
    checkResult(curl_global_init(CURL_GLOBAL_ALL));
}

Global::~Global() {
    curl_global_cleanup();
}

// Made by the first request of the run (the installer's configuration fetch, on its own
// thread), not at start: the initialisation loads Winsock and the security packages. Other
// threads asking meanwhile wait for it (thread-safe local static), so it runs once, before any
// other libcurl call of ours.
Global& Global::instance() {
    static Global global;
    return global;
}

CURL* Global::createHandle() {
    CURL* handle = curl_easy_init();
    if (!handle) {
        throw Exception("Unable to initialize new curl request");
    }
    return handle;
}

Request::Request() : handle_(Global::instance().createHandle()) {}

Request::~Request() = default;

Response Request::perform(const std::string& url) {
    if (!prepared_) {
        prepare();
        prepared_ = true;
    }
    curl_easy_setopt(handle_.get(), CURLOPT_URL, url.c_str());
    CURLcode result = CURLE_OK;
    // Once more when a proxy's 407 gave other credentials to answer with.
    for (int round = 0; round < kMaxProxyRounds; ++round) {
        body_.clear();
        bodyDropped_ = false;
        ApplySystemProxy(handle_.get(), url.c_str());
        ApplyTlsPolicy(handle_.get(), url.c_str());
        result = curl_easy_perform(handle_.get());
        if (AfterProxyAnswer(handle_.get(), url.c_str()) != ProxyAuthNext::Again) {
            break;
        }
    }
    checkResult(result);
    ExplainTlsFailure(handle_.get(), result);
    long code = 0;
    checkResult(curl_easy_getinfo(handle_.get(), CURLINFO_RESPONSE_CODE, &code));
    LogT("Request", "reponse code=", code);
    if (bodyDropped_) {
        LogE("Request", "response body longer than ", kMaxBodyBytes, " bytes, dropped");
        std::string().swap(body_);
    }
    Response response;
    response.body = body_;
    response.code = static_cast<int>(code);
    return response;
}

void Request::prepare() {
    body_.reserve(1024);
    setOptions();
    checkResult(curl_easy_setopt(handle_.get(), CURLOPT_FOLLOWLOCATION, 1L));
    checkResult(curl_easy_setopt(handle_.get(), CURLOPT_WRITEFUNCTION, &Request::onBodyData));
    checkResult(curl_easy_setopt(handle_.get(), CURLOPT_WRITEDATA, this));
}

// Nothing may be thrown through libcurl: a body over the bound, or one that cannot be stored,
// ends the transfer (a write error) instead.
size_t Request::onBodyData(char* data, size_t size, size_t count, void* request) {
    Request* self = static_cast<Request*>(request);
    const size_t bytes = size * count;
    if (bytes > kMaxBodyBytes - self->body_.size()) {
        self->bodyDropped_ = true;
        return 0;
    }
    try {
        self->body_.append(data, bytes);
    } catch (...) {
        self->bodyDropped_ = true;
        return 0;
    }
    return bytes;
}

void BasicRequest::setOptions() {
    checkResult(curl_easy_setopt(handle(), CURLOPT_COOKIELIST, ""));
    checkResult(curl_easy_setopt(handle(), CURLOPT_AUTOREFERER, 1L));
    checkResult(curl_easy_setopt(handle(), CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds));
    checkResult(curl_easy_setopt(handle(), CURLOPT_TIMEOUT, totalTimeoutSeconds_));
}

}  // namespace CurlEasy
