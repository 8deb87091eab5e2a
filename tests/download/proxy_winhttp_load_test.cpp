// WinHTTP (about 4.5 MiB of working set with what it loads) comes into the process only when
// the user's connection settings ask for more than a direct connection. Needs a process of its
// own, before anything else has loaded WinHTTP: ctest runs it as proxy_winhttp_load.
#include <gtest/gtest.h>
#include <windows.h>

#include "download/proxy_settings.h"
#include "tests/support/proxy_registry.h"

TEST(ProxyWinHttpLoad, ADirectConnectionIsReadWithoutWinHttpAndAutomaticDetectionWithIt) {
    if (GetModuleHandleW(L"winhttp.dll") != nullptr) {
        GTEST_SKIP() << "WinHTTP is already loaded in this process";
    }
    ProxyRegistry direct;
    WriteProxyRegistry(direct);
    ProxySettings settings = ReadProxySettings();
    EXPECT_FALSE(settings.autoDetect);
    EXPECT_EQ("", settings.proxy);
    EXPECT_EQ(nullptr, GetModuleHandleW(L"winhttp.dll"));

    ProxyRegistry detect;
    detect.autoDetect = true;
    WriteProxyRegistry(detect);
    EXPECT_TRUE(ReadProxySettings().autoDetect);
    EXPECT_NE(nullptr, GetModuleHandleW(L"winhttp.dll"));
    ClearProxyRegistry();
}
