#include "installer/link_policy.h"

#include <algorithm>

#if !defined(VELMORA_LINK_HOSTS)
#error "VELMORA_LINK_HOSTS comes from installer/CMakeLists.txt"
#endif

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}
}  // namespace

const std::vector<std::string>& ConfiguredLinkHosts() {
    static const std::vector<std::string> hosts = [] {
        std::vector<std::string> list;
        std::string all = Lower(VELMORA_LINK_HOSTS);  // separated by ','
        size_t start = 0;
        while (start <= all.size()) {
            const size_t end = std::min(all.find(',', start), all.size());
            if (end > start) {
                list.push_back(all.substr(start, end - start));
            }
            start = end + 1;
        }
        return list;
    }();
    return hosts;
}

std::string LinkRefusal(const std::wstring& url, const std::vector<std::string>& hosts) {
    std::string text;
    for (wchar_t c : url) {
        if (c <= L' ' || c >= 127) {
            return "not a plain web address";  // spaces, controls, non-ASCII: nothing to guess
        }
        text += static_cast<char>(c);
    }
    const std::string lower = Lower(text);
    bool https = false;
    size_t hostStart = 0;
    if (lower.compare(0, 8, "https://") == 0) {
        https = true;
        hostStart = 8;
    } else if (lower.compare(0, 7, "http://") == 0) {
        hostStart = 7;
    } else {
        return "neither https nor http";
    }
    const size_t hostEnd = std::min(lower.find_first_of("/?#", hostStart), lower.size());
    std::string host = lower.substr(hostStart, hostEnd - hostStart);
    const size_t colon = host.find(':');
    const std::string port = colon == std::string::npos ? std::string() : host.substr(colon + 1);
    host = host.substr(0, colon);
    // User information ("host@elsewhere") and odd characters leave no host to trust.
    if (host.empty() || !std::all_of(host.begin(), host.end(), HostCharacter) ||
        !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return "no plain host name";
    }
    if (https || std::find(hosts.begin(), hosts.end(), host) != hosts.end()) {
        return std::string();
    }
    return "http to a host the build does not name (" + host + ")";
}
