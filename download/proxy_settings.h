#pragma once
// The current user's proxy settings from Internet Options.
#include <string>

struct ProxySettings {
    bool autoDetect = false;     // look for a WPAD script on the network
    std::wstring autoConfigUrl;  // configuration script, "" when none
    std::string proxy;           // fixed proxy list, "" when none is enabled
    std::string bypass;          // its bypass list
};

// WinHTTP's reading of them (the connection settings Internet Options stores; WinHTTP is
// loaded only when they name more than a direct connection); where that
// gives no fixed proxy, or WinHTTP is missing, the ProxyEnable, ProxyServer and ProxyOverride
// values, which Internet Options writes too and some tools write alone. Texts that are not
// plain ASCII keep a '?' in place of each other character, so they fail the later checks.
ProxySettings ReadProxySettings();
