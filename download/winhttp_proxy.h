#pragma once
// WinHTTP's view of the current user's proxy settings and its automatic proxy lookup (WPAD
// detection and configuration scripts). WinHTTP is loaded at run time from the system folder:
// Windows XP before SP1 has none, and nothing may be imported that Windows XP lacks.
#include <windows.h>

#include <string>

// The user's Internet Options as WinHTTP reads them.
struct IeProxyConfig {
    bool autoDetect = false;
    std::wstring autoConfigUrl;  // the configuration script, "" when none
    std::wstring proxy;          // the fixed proxy list, "" when none is in use
    std::wstring bypass;
};

// What an automatic lookup answered for one URL.
struct AutoProxyAnswer {
    enum Kind { Proxy, Direct, Failed, TimedOut };
    Kind kind = Failed;
    std::wstring proxy;   // for Proxy: a proxy list
    std::wstring bypass;  // for Proxy: a bypass list, often ""
    DWORD error = 0;      // for Failed: WinHTTP's error code
};

class WinHttpProxy {
public:
    // The process's WinHTTP, loaded once (thread-safe).
    static const WinHttpProxy& Get();

    // False when WinHTTP or one of its functions is missing.
    bool available() const { return available_; }

    // WinHttpGetIEProxyConfigForCurrentUser; false when unavailable or when it fails.
    bool ReadIeConfig(IeProxyConfig* out) const;

    // WinHttpGetProxyForUrl with auto-detection and/or the script, run on a worker thread:
    // answers TimedOut when it has not finished within waitMs. The worker then finishes on its
    // own (WinHTTP's own time-outs are waitMs too) and its answer is dropped.
    AutoProxyAnswer Lookup(const std::wstring& url, bool autoDetect, const std::wstring& scriptUrl,
                           DWORD waitMs) const;

private:
    WinHttpProxy();
    AutoProxyAnswer LookupNow(const std::wstring& url, bool autoDetect,
                              const std::wstring& scriptUrl, DWORD timeoutMs) const;
    static unsigned __stdcall LookupThread(void* job);

    struct Functions;
    const Functions* functions_ = nullptr;
    bool available_ = false;
};
