#pragma once
// Every request of the installer goes through the current user's Windows proxy (Internet
// Options) unless libcurl takes one from the environment: the fixed proxy with its bypass
// list and, where WinHTTP offers them, the configuration script and automatic detection,
// looked up per address. Settings are read once per process and each address's answer is
// kept for the rest of the run; an automatic lookup is waited for a bounded time only.
#include <windows.h>

#include <curl/curl.h>

#include <map>
#include <string>

#include "app/scoped_handles.h"
#include "download/proxy_auth.h"
#include "download/proxy_rules.h"
#include "download/proxy_settings.h"

// Whether libcurl finds a proxy for url in the environment: "<scheme>_proxy" (for other
// schemes than http also "<SCHEME>_PROXY"), then "all_proxy" and "ALL_PROXY". Read with
// GetEnvironmentVariableA as libcurl does on Windows (so names match in any case, and an
// empty value counts as unset).
bool EnvironmentNamesProxy(const std::string& url);
// That proxy's text, "" when the environment names none.
std::string EnvironmentProxy(const std::string& url);

class SystemProxy {
public:
    static constexpr DWORD kAutoProxyWaitMs = 2000;    // one automatic lookup
    static constexpr DWORD kAutoProxyBudgetMs = 4000;  // all of them in one run

    explicit SystemProxy(DWORD autoProxyWaitMs = kAutoProxyWaitMs,
                         DWORD autoProxyBudgetMs = kAutoProxyBudgetMs);
    SystemProxy(const SystemProxy&) = delete;
    SystemProxy& operator=(const SystemProxy&) = delete;

    // The libcurl proxy text for url ("http://host:port"), "" for a direct connection.
    // Thread-safe.
    std::string ProxyFor(const std::string& url);

    // Sets the handle's proxy for url: the environment's through libcurl itself when it names
    // one, otherwise ProxyFor(url) ("" making the connection direct); and the answer to that
    // proxy's 407 (proxy_auth.h).
    void Apply(CURL* handle, const char* url);

    // The proxy Apply chose for url: the environment's text or ProxyFor(url).
    std::string ProxyIn(const char* url);

    // The one instance of the process.
    static SystemProxy& Process();

private:
    std::string Route(const UrlParts& url);
    bool AutomaticRoute(const UrlParts& url, std::string* route);
    std::string FixedRoute(const UrlParts& url);

    const DWORD waitMs_;
    const DWORD budgetMs_;
    CriticalSection lookupLock_;  // one decision at a time: a slow lookup is not repeated
    CriticalSection lock_;        // guards the members below
    bool settingsRead_ = false;
    ProxySettings settings_;
    bool autoUsable_ = true;
    DWORD autoSpentMs_ = 0;
    std::map<std::string, std::string> routes_;  // "scheme://host:port" -> proxy or ""
};

// SystemProxy::Process().Apply(handle, url): where a libcurl handle gets its URL.
void ApplySystemProxy(CURL* handle, const char* url);

// After a perform of a handle set up by ApplySystemProxy: ProxyAuth's judgement of a 407 from
// url's proxy. Again: perform the request once more, with the credentials now set.
ProxyAuthNext AfterProxyAnswer(CURL* handle, const char* url);
