// Reading the proxy and bypass texts of the Windows settings: registry input, so every odd form
// must give a safe answer.
#include "download/proxy_rules.h"

#include <gtest/gtest.h>

namespace {
UrlParts Url(const std::string& url) {
    UrlParts parts = SplitUrl(url);
    EXPECT_TRUE(parts.valid) << url;
    return parts;
}
}  // namespace

TEST(ProxyRules, UrlsSplitIntoSchemeHostAndPort) {
    UrlParts a = SplitUrl("HTTP://User:pw@Dl.Velmora.EXAMPLE/pkg/Setup.exe?x=1");
    EXPECT_TRUE(a.valid);
    EXPECT_EQ("http", a.scheme);
    EXPECT_EQ("dl.velmora.example", a.host);
    EXPECT_EQ(80, a.port);
    EXPECT_EQ(443, SplitUrl("https://h").port);
    EXPECT_EQ(8080, SplitUrl("http://h:8080?q").port);
    EXPECT_EQ("[::1]", SplitUrl("http://[::1]:81/").host);
    EXPECT_EQ(81, SplitUrl("http://[::1]:81/").port);
    for (const char* bad :
         {"", "h/x", "://h", "http://", "http://:80/", "http://h:0/", "http://h:65536/",
          "http://h:8o/", "http://h h/", "http://[zz]/", "1ttp://h/"}) {
        EXPECT_FALSE(SplitUrl(bad).valid) << bad;
    }
}

TEST(ProxyRules, ProxyListsGiveTheEntryForTheSchemeOrTheCommonOne) {
    EXPECT_EQ("http://proxy:3128", PickProxy("proxy:3128", "http").proxy);
    EXPECT_EQ("http://proxy:3128", PickProxy("proxy:3128", "https").proxy);
    // No port: 80, not libcurl's 1080.
    EXPECT_EQ("http://proxy:80", PickProxy("proxy", "http").proxy);
    EXPECT_EQ("http://proxy:8080", PickProxy("http://Proxy:8080/", "http").proxy);
    const std::string perScheme = "ftp=f:21;https=s:443 http=h:8080;socks=k:1080";
    EXPECT_EQ("http://h:8080", PickProxy(perScheme, "http").proxy);
    EXPECT_EQ("http://s:443", PickProxy(perScheme, "https").proxy);
    EXPECT_FALSE(PickProxy(perScheme, "http").malformed);
    // Per-scheme lists without an entry for the scheme mean a direct connection.
    EXPECT_EQ("", PickProxy("https=s:443;ftp=f:21", "http").proxy);
    EXPECT_FALSE(PickProxy("https=s:443;ftp=f:21", "http").malformed);
    // The scheme's own entry wins over a common one wherever it stands; the first of each.
    EXPECT_EQ("http://h:1", PickProxy("all:9;HTTP=h:1;http=h2:2", "http").proxy);
    EXPECT_EQ("http://all:9", PickProxy("all:9;all2:8", "https").proxy);
    EXPECT_EQ("http://10.0.0.1:8080", PickProxy(" ;;10.0.0.1:8080;; ", "http").proxy);
    EXPECT_EQ("http://[fe80::1]:3128", PickProxy("[fe80::1]:3128", "http").proxy);
    EXPECT_EQ("", PickProxy("", "http").proxy);
    EXPECT_FALSE(PickProxy("", "http").malformed);
}

TEST(ProxyRules, BrokenEntriesAreSkippedAndReported) {
    for (const char* bad :
         {"::::", "http=", "=", "proxy:0", "proxy:65536", "proxy:80:81", "proxy:-1",
          "proxy:99999999999", "http=:8080", "socks://s:1080", "https://p:443", "pr\x01oxy:80",
          "pr?xy:80", "[::1", "[]:80", "proxy:", "http=http=p:1", "\xff\xfe"}) {
        ProxyPick pick = PickProxy(bad, "http");
        EXPECT_EQ("", pick.proxy) << bad;
        EXPECT_TRUE(pick.malformed) << bad;
    }
    // A good entry after a broken one still serves, and the broken one is still reported.
    ProxyPick pick = PickProxy("http=::;http=good:81", "http");
    EXPECT_EQ("http://good:81", pick.proxy);
    EXPECT_TRUE(pick.malformed);
    // Overlong texts are cut at the limit: no overrun, and what is left is looked at.
    EXPECT_EQ("http://p:1", PickProxy("p:1;" + std::string(100000, 'a'), "http").proxy);
    EXPECT_EQ("", PickProxy(std::string(kMaxProxyListChars, ';') + "p:1", "http").proxy);
    EXPECT_TRUE(PickProxy(std::string(300, 'h') + ":80", "http").malformed);  // host too long
}

TEST(ProxyRules, BypassListsMatchHostsWildcardsSchemesPortsAndLocalNames) {
    const std::string list =
        "*.corp.example; 192.168.*,update.velmora.example:8080;"
        "https://secure.example;<local>";
    EXPECT_TRUE(BypassMatches(list, Url("http://a.corp.example/")));
    EXPECT_TRUE(BypassMatches(list, Url("http://A.B.CORP.EXAMPLE/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://corp.example/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://a.corp.example.evil/")));
    EXPECT_TRUE(BypassMatches(list, Url("http://192.168.1.20/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://10.192.168.1/")));
    EXPECT_TRUE(BypassMatches(list, Url("http://update.velmora.example:8080/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://update.velmora.example/")));
    EXPECT_TRUE(BypassMatches(list, Url("https://secure.example/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://secure.example/")));
    // <local>: names without a dot, not addresses.
    EXPECT_TRUE(BypassMatches(list, Url("http://intranet/")));
    EXPECT_TRUE(BypassMatches(list, Url("http://localhost:81/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://127.0.0.1/")));
    EXPECT_FALSE(BypassMatches(list, Url("http://[::1]/")));
    EXPECT_FALSE(BypassMatches("", Url("http://intranet/")));
    EXPECT_TRUE(BypassMatches("*", Url("http://anything.example/")));
    EXPECT_TRUE(BypassMatches("127.0.0.1", Url("http://127.0.0.1:5000/")));
    // Broken entries match nothing; a pathological pattern ends quickly.
    EXPECT_FALSE(BypassMatches("<loc al>;:;*:x;[::", Url("http://intranet.example/")));
    const std::string stars = std::string(200, '*') + "b";
    EXPECT_FALSE(BypassMatches(stars, Url("http://" + std::string(250, 'a') + "/")));
    EXPECT_FALSE(BypassMatches("intranet", SplitUrl("not a url")));
}
