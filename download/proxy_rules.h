#pragma once
// The texts of the Windows proxy settings, read as Internet Options and WinHTTP read them:
// which proxy a list names for a URL scheme, and whether a bypass list exempts an address.
// The texts come from the registry or from a configuration script: anything may be in them,
// so every part is bounded and checked.
#include <string>

// Scheme, host and port of an absolute URL; valid is false when it has none of them.
struct UrlParts {
    std::string scheme;  // lower case: "http", "https"
    std::string host;    // lower case; an IPv6 literal keeps its brackets
    int port = 0;        // the scheme's default when the URL names none
    bool valid = false;
};

UrlParts SplitUrl(const std::string& url);

// The proxy a list names for scheme, as a libcurl proxy text "http://host:port" ("" when it
// names none). The list holds entries "[scheme=][http://]host[:port]" separated by ';' or
// blanks; an entry without "scheme=" serves every scheme unless the list has one for it, and a
// missing port is 80. malformed tells that some entry could not be used.
struct ProxyPick {
    std::string proxy;
    bool malformed = false;
};

ProxyPick PickProxy(const std::string& list, const std::string& scheme);

// Whether a bypass list ("ProxyOverride") exempts the address: entries separated by ';', ',' or
// blanks, each "[scheme://]host[:port]" where host may hold '*' wildcards, compared without
// regard to case; "<local>" stands for every host name without a dot.
bool BypassMatches(const std::string& list, const UrlParts& url);

// Longest list text that is looked at; a longer one is cut there.
constexpr size_t kMaxProxyListChars = 4096;
