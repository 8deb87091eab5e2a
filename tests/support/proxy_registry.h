#pragma once
// Writes the current user's proxy settings into this test's Wine prefix as Internet Options
// does: the ProxyEnable/ProxyServer/ProxyOverride/AutoConfigURL values (read by wininet and
// by the fallback) and the binary Connections\DefaultConnectionSettings (read by WinHTTP).
#include <string>

struct ProxyRegistry {
    bool autoDetect = false;
    std::string proxy;  // "" leaves the fixed proxy off
    bool proxyEnabled = true;
    std::string bypass;
    std::string script;           // configuration script address, "" for none
    bool writeValues = true;      // the Internet Settings values
    bool writeConnection = true;  // the binary connection settings
};

void WriteProxyRegistry(const ProxyRegistry& settings);
// Removes everything WriteProxyRegistry may have written.
void ClearProxyRegistry();
// The binary DefaultConnectionSettings for these settings.
std::string ConnectionSettingsBlob(const ProxyRegistry& settings);
