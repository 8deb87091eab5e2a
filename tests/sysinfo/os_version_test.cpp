#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sysinfo/os_version.h"

// The Windows version is the one the Wine prefix was set to (VELMORA_WINE_VERSION; Wine's
// default is Windows 7 SP1).
namespace {
std::string WineVersion() {
    const char* v = std::getenv("VELMORA_WINE_VERSION");
    return v && *v ? v : "win7";
}
}  // namespace

TEST(OsVersion, NameTableAndVersionText) {
    const std::string version = WineVersion();
    if (version == "winxp") {
        EXPECT_EQ("Windows XP", GetOsName());
        EXPECT_EQ(0u, GetOsVersionText().rfind("5.1.", 0)) << GetOsVersionText();
        EXPECT_TRUE(IsVersionEqual(5, 1));
        EXPECT_TRUE(IsVersionLess(6, 0));
        EXPECT_FALSE(IsVersionGreater(5, 1));
    } else if (version == "win7") {
        EXPECT_EQ("Windows 7", GetOsName());
        EXPECT_EQ("6.1.7601", GetOsVersionText());
        EXPECT_TRUE(IsVersionGreater(5, 1));
        EXPECT_TRUE(IsVersionGreater(6, 0));
        EXPECT_TRUE(IsVersionLess(6, 2));
        EXPECT_TRUE(IsVersionLess(7, 0));
    } else if (version == "win10") {
        // Without a supported-OS list in the manifest, Windows 10 shows itself as 6.2.9200.
        EXPECT_EQ("Windows 8", GetOsName());
        EXPECT_EQ("6.2.9200", GetOsVersionText());
    } else {
        FAIL() << "no expectation for " << version;
    }
}

TEST(OsVersion, XpServicePackTests) {
    const std::string version = WineVersion();
    if (version == "winxp") {
        // Wine's XP is XP with Service Pack 3.
        EXPECT_TRUE(IsXpSp3());
        EXPECT_FALSE(IsOlderThanXpSp3());
    } else {
        EXPECT_FALSE(IsXpSp3());
        EXPECT_FALSE(IsOlderThanXpSp3());
    }
}
