#include "download/proxy_rules.h"

#include <vector>

namespace {

const size_t kMaxHostChars = 255;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLower(std::string text) {
    for (char& c : text) {
        c = Lower(c);
    }
    return text;
}

bool IsSeparator(char c, bool commas) {
    return c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || (commas && c == ',');
}

// The non-empty pieces of a list.
std::vector<std::string> Entries(const std::string& list, bool commas) {
    std::vector<std::string> entries;
    const size_t end = list.size() < kMaxProxyListChars ? list.size() : kMaxProxyListChars;
    size_t i = 0;
    while (i < end) {
        while (i < end && IsSeparator(list[i], commas)) {
            ++i;
        }
        const size_t start = i;
        while (i < end && !IsSeparator(list[i], commas)) {
            ++i;
        }
        if (i > start) {
            entries.push_back(list.substr(start, i - start));
        }
    }
    return entries;
}

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

// "1" to "65535"; -1 for anything else.
int ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5) {
        return -1;
    }
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        port = port * 10 + (c - '0');
    }
    return (port >= 1 && port <= 65535) ? port : -1;
}

// "host[:port]" or "[v6]:port"; false when the host is empty or holds other characters, or
// the port is no number. *port stays as it was when none is given.
bool SplitHostPort(const std::string& text, bool wildcards, std::string* host, int* port) {
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close < 2) {
            return false;
        }
        for (size_t i = 1; i < close; ++i) {
            const char c = text[i];
            if (!((c >= '0' && c <= '9') || (Lower(c) >= 'a' && Lower(c) <= 'f') || c == ':' ||
                  c == '.')) {
                return false;
            }
        }
        *host = ToLower(text.substr(0, close + 1));
        rest = text.substr(close + 1);
    } else {
        const size_t colon = text.find(':');
        *host = ToLower(text.substr(0, colon));
        rest = colon == std::string::npos ? "" : text.substr(colon);
        if (host->empty()) {
            return false;
        }
        for (char c : *host) {
            if (!IsHostChar(c) && !(wildcards && c == '*')) {
                return false;
            }
        }
    }
    if (host->size() > kMaxHostChars) {
        return false;
    }
    if (!rest.empty()) {
        if (rest[0] != ':') {
            return false;
        }
        const int value = ParsePort(rest.substr(1));
        if (value < 0) {
            return false;
        }
        *port = value;
    }
    return true;
}

// '*' matches any run of characters; both texts are lower case. Linear in practice, at worst
// the product of the lengths (no backtracking blow-up).
bool GlobMatch(const std::string& pattern, const std::string& text) {
    size_t p = 0;
    size_t t = 0;
    size_t star = std::string::npos;
    size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

int DefaultPort(const std::string& scheme) {
    return scheme == "https" ? 443 : 80;
}

}  // namespace

UrlParts SplitUrl(const std::string& url) {
    UrlParts parts;
    const size_t colon = url.find("://");
    if (colon == std::string::npos || colon == 0 || colon > 16) {
        return parts;
    }
    parts.scheme = ToLower(url.substr(0, colon));
    for (char c : parts.scheme) {
        if (c < 'a' || c > 'z') {
            return UrlParts();
        }
    }
    size_t start = colon + 3;
    size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? end : end - start);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    parts.port = DefaultPort(parts.scheme);
    if (!SplitHostPort(authority, false, &parts.host, &parts.port)) {
        return UrlParts();
    }
    parts.valid = true;
    return parts;
}

ProxyPick PickProxy(const std::string& list, const std::string& scheme) {
    ProxyPick pick;
    std::string forScheme;
    std::string forAll;
    for (const std::string& entry : Entries(list, false)) {
        std::string target = entry;
        std::string entryScheme;
        const size_t equals = entry.find('=');
        if (equals != std::string::npos) {
            entryScheme = ToLower(entry.substr(0, equals));
            target = entry.substr(equals + 1);
        }
        if (ToLower(target.substr(0, 7)) == "http://") {
            target.erase(0, 7);
        }
        while (!target.empty() && target.back() == '/') {
            target.pop_back();
        }
        std::string host;
        int port = 80;
        if (!SplitHostPort(target, false, &host, &port)) {
            pick.malformed = true;
            continue;
        }
        const std::string proxy = "http://" + host + ":" + std::to_string(port);
        if (entryScheme.empty()) {
            if (forAll.empty()) {
                forAll = proxy;
            }
        } else if (entryScheme == scheme && forScheme.empty()) {
            forScheme = proxy;
        }
    }
    pick.proxy = forScheme.empty() ? forAll : forScheme;
    return pick;
}

bool BypassMatches(const std::string& list, const UrlParts& url) {
    if (!url.valid) {
        return false;
    }
    for (std::string entry : Entries(list, true)) {
        entry = ToLower(entry);
        if (entry == "<local>") {
            if (url.host.find('.') == std::string::npos && url.host[0] != '[') {
                return true;
            }
            continue;
        }
        const size_t colon = entry.find("://");
        if (colon != std::string::npos) {
            if (entry.substr(0, colon) != url.scheme) {
                continue;
            }
            entry.erase(0, colon + 3);
        }
        std::string host;
        int port = 0;  // any port unless the entry names one
        if (!SplitHostPort(entry, true, &host, &port)) {
            continue;
        }
        if ((port == 0 || port == url.port) && GlobMatch(host, url.host)) {
            return true;
        }
    }
    return false;
}
