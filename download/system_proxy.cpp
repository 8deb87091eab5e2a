#include "download/system_proxy.h"

#include "app/log.h"
#include "app/text_convert.h"
#include "download/proxy_auth.h"
#include "download/winhttp_proxy.h"

namespace {
const char kTag[] = "SystemProxy";
const size_t kMaxRoutes = 64;
const size_t kLoggedChars = 200;

// The variable's value, "" when unset or empty.
std::string EnvironmentValue(const std::string& name) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    if (length == 0) {
        return std::string();
    }
    if (length >= sizeof value) {
        return std::string(1, '?');  // set, too long to be a usable proxy for libcurl's
    }
    return std::string(value, length);
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string Clip(const std::string& text) {
    return text.size() > kLoggedChars ? text.substr(0, kLoggedChars) + "..." : text;
}

std::string RouteText(const std::string& route) {
    return route.empty() ? "direct" : route;
}
}  // namespace

std::string EnvironmentProxy(const std::string& url) {
    const UrlParts parts = SplitUrl(url);
    const std::string scheme = parts.valid ? parts.scheme : "http";
    // libcurl leaves HTTP_PROXY alone for http (a CGI server sets it from a request header),
    // which on Windows makes no difference: names are looked up in any case.
    std::string proxy = EnvironmentValue(scheme + "_proxy");
    if (proxy.empty() && scheme != "http") {
        proxy = EnvironmentValue(Upper(scheme) + "_PROXY");
    }
    if (proxy.empty()) {
        proxy = EnvironmentValue("all_proxy");
    }
    if (proxy.empty()) {
        proxy = EnvironmentValue("ALL_PROXY");
    }
    return proxy;
}

bool EnvironmentNamesProxy(const std::string& url) {
    return !EnvironmentProxy(url).empty();
}

SystemProxy::SystemProxy(DWORD autoProxyWaitMs, DWORD autoProxyBudgetMs)
    : waitMs_(autoProxyWaitMs), budgetMs_(autoProxyBudgetMs) {}

SystemProxy& SystemProxy::Process() {
    static SystemProxy instance;
    return instance;
}

void SystemProxy::Apply(CURL* handle, const char* url) {
    const std::string environment = EnvironmentProxy(url);
    if (!environment.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXY, static_cast<const char*>(nullptr));
        ProxyAuth::Process().Apply(handle, environment);
        return;
    }
    const std::string proxy = ProxyFor(url);
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());  // libcurl keeps a copy
    ProxyAuth::Process().Apply(handle, proxy);
}

std::string SystemProxy::ProxyIn(const char* url) {
    const std::string environment = EnvironmentProxy(url);
    return environment.empty() ? ProxyFor(url) : environment;
}

std::string SystemProxy::ProxyFor(const std::string& url) {
    const UrlParts parts = SplitUrl(url);
    if (!parts.valid) {
        return std::string();  // libcurl reports the address itself
    }
    const std::string key = parts.scheme + "://" + parts.host + ":" + std::to_string(parts.port);
    AutoLock decision(lookupLock_);
    {
        AutoLock lock(lock_);
        if (!settingsRead_) {
            settings_ = ReadProxySettings();
            settingsRead_ = true;
            LogI(kTag, "Windows proxy settings: auto-detect=", settings_.autoDetect ? 1 : 0,
                 ", script=", Clip(WideToAnsi(settings_.autoConfigUrl)),
                 ", proxy=", Clip(settings_.proxy), ", bypass=", Clip(settings_.bypass));
        }
        auto known = routes_.find(key);
        if (known != routes_.end()) {
            return known->second;
        }
    }
    const std::string route = Route(parts);
    LogI(kTag, "proxy for ", key, ": ", RouteText(route));
    AutoLock lock(lock_);
    if (routes_.size() < kMaxRoutes) {
        routes_[key] = route;
    }
    return route;
}

std::string SystemProxy::Route(const UrlParts& url) {
    std::string route;
    if (AutomaticRoute(url, &route)) {
        return route;
    }
    return FixedRoute(url);
}

bool SystemProxy::AutomaticRoute(const UrlParts& url, std::string* route) {
    bool autoDetect;
    std::wstring script;
    DWORD wait;
    {
        AutoLock lock(lock_);
        autoDetect = settings_.autoDetect;
        script = settings_.autoConfigUrl;
        wait = autoSpentMs_ < budgetMs_ ? budgetMs_ - autoSpentMs_ : 0;
        if (wait > waitMs_) {
            wait = waitMs_;
        }
        if (!autoUsable_ || (!autoDetect && script.empty())) {
            return false;
        }
    }
    // Only the scheme, host and port go to the script: the answer is kept for the host.
    const bool defaultPort = url.port == (url.scheme == "https" ? 443 : 80);
    const std::string address =
        url.scheme + "://" + url.host + (defaultPort ? "" : ":" + std::to_string(url.port)) + "/";
    const DWORD start = GetTickCount();
    const AutoProxyAnswer answer =
        WinHttpProxy::Get().Lookup(WidenBytes(address), autoDetect, script, wait);
    const DWORD spent = GetTickCount() - start;
    bool stop = false;
    bool found = false;
    switch (answer.kind) {
        case AutoProxyAnswer::Proxy: {
            if (BypassMatches(WideToAnsi(answer.bypass), url)) {
                route->clear();
                found = true;
                break;
            }
            const ProxyPick pick = PickProxy(WideToAnsi(answer.proxy), url.scheme);
            if (pick.proxy.empty()) {
                LogW(kTag, "automatic proxy answer \"", Clip(WideToAnsi(answer.proxy)),
                     "\" names no usable proxy for ", url.host, ", using the fixed settings");
                break;
            }
            *route = pick.proxy;
            found = true;
            break;
        }
        case AutoProxyAnswer::Direct:
            route->clear();
            found = true;
            break;
        case AutoProxyAnswer::TimedOut:
            LogW(kTag, "automatic proxy lookup gave no answer within ", static_cast<unsigned>(wait),
                 " ms; the fixed settings serve the rest of this run");
            stop = true;
            break;
        case AutoProxyAnswer::Failed:
            LogI(kTag,
                 "automatic proxy lookup failed, error=", static_cast<unsigned long>(answer.error),
                 "; the fixed settings serve the rest of this run");
            stop = true;
            break;
    }
    AutoLock lock(lock_);
    autoSpentMs_ += spent;
    if (stop || autoSpentMs_ >= budgetMs_) {
        autoUsable_ = false;
    }
    return found;
}

std::string SystemProxy::FixedRoute(const UrlParts& url) {
    std::string proxy;
    std::string bypass;
    {
        AutoLock lock(lock_);
        proxy = settings_.proxy;
        bypass = settings_.bypass;
    }
    if (proxy.empty() || BypassMatches(bypass, url)) {
        return std::string();
    }
    const ProxyPick pick = PickProxy(proxy, url.scheme);
    if (pick.proxy.empty() && pick.malformed) {
        LogW(kTag, "proxy setting \"", Clip(proxy), "\" is not usable, connecting directly to ",
             url.host);
    }
    return pick.proxy;
}

void ApplySystemProxy(CURL* handle, const char* url) {
    SystemProxy::Process().Apply(handle, url);
}

ProxyAuthNext AfterProxyAnswer(CURL* handle, const char* url) {
    return ProxyAuth::Process().After(handle, SystemProxy::Process().ProxyIn(url));
}
