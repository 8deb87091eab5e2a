#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include <string>
#include <thread>
#include <vector>

#include "sysinfo/hardware_info.h"
#include "sysinfo/mac_address.h"
#include "sysinfo/wmi_exports.h"

namespace {

bool LooksLikeMac(const std::wstring& text) {
    if (text.size() != 17) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (i % 3 == 2 ? text[i] != L':' : !iswxdigit(text[i])) {
            return false;
        }
    }
    return true;
}

std::vector<wchar_t> Buffer(wchar_t fill = L'\0') {
    return std::vector<wchar_t>(kHardwareInfoOutChars, fill);
}

}  // namespace

TEST(WmiComponent, OtherClassKindCreatesNothing) {
    ASSERT_EQ(1, WMI_Exit());
    EXPECT_EQ(0, WMI_Init(5));
    std::vector<wchar_t> out = Buffer(L'x');
    EXPECT_EQ(0, WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
    EXPECT_EQ(0, WMI_GetNextHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
    EXPECT_EQ(L'x', out[0]);
    EXPECT_EQ(1, WMI_Exit());
}

TEST(WmiComponent, FirstNextExitWalksEveryPhysicalAdapter) {
    ASSERT_EQ(1, WMI_Init(kNetworkInfoClass));
    std::vector<wchar_t> out = Buffer();
    ASSERT_EQ(1, WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
    EXPECT_TRUE(LooksLikeMac(out.data())) << std::string(out.begin(), out.end()).c_str();
    int rows = 1;
    while (rows < 64 && WMI_GetNextHardwareInfo(kNetworkPhysicalMacAddress, out.data()) == 1) {
        EXPECT_TRUE(LooksLikeMac(out.data()));
        ++rows;
    }
    ASSERT_LT(rows, 64);
    // After the last row: 0 again, and the buffer keeps the last value.
    const std::wstring last = out.data();
    EXPECT_EQ(0, WMI_GetNextHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
    EXPECT_EQ(last, out.data());
    EXPECT_EQ(1, WMI_Exit());
    EXPECT_EQ(0, WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
}

TEST(WmiComponent, OtherQueriesAndUnknownInfoKind) {
    ASSERT_EQ(1, WMI_Init(kNetworkInfoClass));
    std::vector<wchar_t> out = Buffer(L'x');
    EXPECT_EQ(0, WMI_GetFirstHardwareInfo(0, out.data()));
    EXPECT_EQ(0, WMI_GetFirstHardwareInfo(5, out.data()));
    EXPECT_EQ(L'x', out[0]);
    ASSERT_EQ(1, WMI_GetFirstHardwareInfo(kNetworkMacAddress, out.data()));
    EXPECT_TRUE(LooksLikeMac(out.data()));
    // Caption and InstallDate are not offered by every WMI provider (Wine has neither); a
    // missing property gives 0, a present one a terminated text within the buffer.
    for (int kind : {kNetworkCaption, kNetworkInstallDate}) {
        std::vector<wchar_t> text = Buffer(L'x');
        text.back() = L'\0';
        if (WMI_GetFirstHardwareInfo(kind, text.data()) == 1) {
            EXPECT_LT(wcslen(text.data()), static_cast<size_t>(kHardwareInfoOutChars));
        } else {
            EXPECT_EQ(L'x', text[0]);
        }
    }
    // The enumeration of kind 3 starts afresh after another query.
    ASSERT_EQ(1, WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
    EXPECT_TRUE(LooksLikeMac(out.data()));
    EXPECT_EQ(1, WMI_Exit());
}

TEST(WmiComponent, SecondInitReplacesTheInstanceAndStillWorks) {
    ASSERT_EQ(1, WMI_Init(kNetworkInfoClass));
    ASSERT_EQ(1, WMI_Init(kNetworkInfoClass));
    std::vector<wchar_t> out = Buffer();
    EXPECT_EQ(1, WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()));
    EXPECT_EQ(1, WMI_Exit());
    EXPECT_EQ(1, WMI_Exit());
}

// The UI thread runs a single-threaded apartment: the component must still connect there and
// must leave that apartment in place.
TEST(WmiComponent, WorksInsideASingleThreadedApartmentAndKeepsIt) {
    HRESULT own = E_FAIL, again = E_FAIL;
    int first = -1;
    std::wstring mac;
    std::thread ui([&] {
        own = CoInitialize(nullptr);
        first = WMI_Init(kNetworkInfoClass);
        std::vector<wchar_t> out = Buffer();
        if (WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()) == 1) {
            mac = out.data();
        }
        WMI_Exit();
        // S_FALSE: this thread is still in its own single-threaded apartment.
        again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(again)) {
            CoUninitialize();
        }
        if (SUCCEEDED(own)) {
            CoUninitialize();
        }
    });
    ui.join();
    EXPECT_EQ(S_OK, own);
    EXPECT_EQ(1, first);
    EXPECT_TRUE(LooksLikeMac(mac));
    EXPECT_EQ(S_FALSE, again);
}

// An instance left behind by one thread and replaced or closed on another: only the thread
// that joined the multithreaded apartment may leave it, so the single-threaded apartment of
// the thread that cleans up stays in place.
TEST(WmiComponent, InstanceOfAnotherThreadLeavesThisThreadsApartmentAlone) {
    auto leaveInstanceOnAnotherThread = [] {
        std::thread other([] { WMI_Init(kNetworkInfoClass); });
        other.join();
    };
    auto onSingleThreadedApartment = [](auto body) {
        HRESULT again = E_FAIL;
        std::thread ui([&] {
            const HRESULT own = CoInitialize(nullptr);
            body();
            again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(again)) {
                CoUninitialize();
            }
            if (SUCCEEDED(own)) {
                CoUninitialize();
            }
        });
        ui.join();
        return again;
    };

    leaveInstanceOnAnotherThread();
    std::wstring mac;
    const HRESULT afterReplace = onSingleThreadedApartment([&] {
        WMI_Init(kNetworkInfoClass);  // replaces the other thread's instance
        std::vector<wchar_t> out = Buffer();
        if (WMI_GetFirstHardwareInfo(kNetworkPhysicalMacAddress, out.data()) == 1) {
            mac = out.data();
        }
        WMI_Exit();
    });
    EXPECT_EQ(S_FALSE, afterReplace);
    EXPECT_TRUE(LooksLikeMac(mac));

    leaveInstanceOnAnotherThread();
    EXPECT_EQ(S_FALSE, onSingleThreadedApartment([] { WMI_Exit(); }));
}

TEST(MacAddress, GivesTheFirstPhysicalAdapterFromEveryThread) {
    const std::string expected = GetMacAddress();
    ASSERT_EQ(17u, expected.size()) << expected;
    std::vector<std::string> seen(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] {
            for (int round = 0; round < 3; ++round) {
                const std::string mac = GetMacAddress();
                if (round == 0 || seen[i] == mac) {
                    seen[i] = mac;
                } else {
                    seen[i] = "changed: " + mac;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (const std::string& mac : seen) {
        EXPECT_EQ(expected, mac);
    }
}
