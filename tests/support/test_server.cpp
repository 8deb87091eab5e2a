#include "tests/support/test_server.h"

#include <curl/curl.h>

#include <cstdlib>
#include <sstream>

namespace {
size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}
}  // namespace

std::string TestServer::BaseUrl() {
    const char* url = std::getenv("VELMORA_TEST_SERVER");
    return url ? url : "";
}

std::string TestServer::Control(const std::string& command, const std::string& postBody,
                                bool post) {
    return Fetch("/_ctl/" + command, postBody, post);
}

std::string TestServer::Fetch(const std::string& path, const std::string& postBody, bool post) {
    std::string body;
    CURL* curl = curl_easy_init();
    if (!curl) {
        return body;
    }
    const std::string url = BaseUrl() + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 120L);
    if (post || !postBody.empty()) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(postBody.size()));
    }
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return body;
}

std::vector<ServerRequest> TestServer::Requests() {
    std::vector<ServerRequest> result;
    std::istringstream lines(Control("requests"));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> f = SplitTabs(line);
        if (f.size() < 7) {
            continue;
        }
        ServerRequest r;
        r.method = f[0];
        r.host = f[1];
        r.path = f[2];
        r.query = f[3];
        r.range = f[4];
        r.cookie = f[5];
        r.bytesSent = std::atoll(f[6].c_str());
        r.proxied = f.size() > 7 && f[7] == "1";
        result.push_back(r);
    }
    return result;
}

std::vector<ServerRequest> TestServer::RequestsFor(const std::string& method,
                                                   const std::string& path) {
    std::vector<ServerRequest> matching;
    for (const ServerRequest& r : Requests()) {
        if (r.method == method && r.path == path) {
            matching.push_back(r);
        }
    }
    return matching;
}

std::string TestServer::DefinePackage(const std::string& path, long long size, int seed,
                                      const std::string& extra) {
    return Control("package?path=" + UrlEncode(path) + "&size=" + std::to_string(size) +
                   "&seed=" + std::to_string(seed) + (extra.empty() ? "" : "&" + extra));
}

void TestServer::Fault(const std::string& path, const std::string& settings) {
    Control("fault?path=" + UrlEncode(path) + "&" + settings);
}

std::string UrlEncode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}
