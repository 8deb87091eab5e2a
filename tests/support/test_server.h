#pragma once
// Client side of the loopback test server (tools/testserver): its address, its control
// requests and its request log. The wrapper that runs a test under Wine starts the server and
// passes its address in VELMORA_TEST_SERVER.
#include <string>
#include <vector>

struct ServerRequest {
    std::string method, host, path, query, range, cookie;
    long long bytesSent = 0;
    bool proxied = false;  // came with an absolute-form request line (through a proxy)
};

class TestServer {
public:
    // "http://127.0.0.1:<port>", or "" when no server was started for this test.
    static std::string BaseUrl();
    static std::string Url(const std::string& path) { return BaseUrl() + path; }
    // GET (or POST when a body is given) /_ctl/<command>; returns the answer's body.
    static std::string Control(const std::string& command, const std::string& postBody = "",
                               bool post = false);
    // The whole body at path, however long (GET, or POST when a body is given).
    static std::string Fetch(const std::string& path, const std::string& postBody = "",
                             bool post = false);
    static void Reset() { Control("reset"); }
    static std::vector<ServerRequest> Requests();
    static void ClearRequests() { Control("clear_requests"); }
    // Requests with the given method and path.
    static std::vector<ServerRequest> RequestsFor(const std::string& method,
                                                  const std::string& path);
    // Defines a package of random bytes; returns its MD5.
    static std::string DefinePackage(const std::string& path, long long size, int seed = 1,
                                     const std::string& extra = "");
    static void Fault(const std::string& path, const std::string& settings);
};

std::string UrlEncode(const std::string& text);
