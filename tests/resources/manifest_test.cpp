// What the installer's manifest (linked into this program with the other resources) gives a
// process under Wine: common controls 6 through the delay-load resolver, and the real Windows
// version on a Windows 10 prefix (VELMORA_WINE_VERSION; Wine's default is Windows 7).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "sysinfo/os_version.h"

extern "C" void* WINAPI VelmoraResolveDelayImport(const char* dll, const char* function,
                                                  void** slot);

namespace {

struct DllVersion {
    DWORD cbSize;
    DWORD major;
    DWORD minor;
    DWORD build;
    DWORD platform;
};
using DllGetVersionFunction = HRESULT(CALLBACK*)(DllVersion*);

std::string WineVersion() {
    const char* v = std::getenv("VELMORA_WINE_VERSION");
    return v && *v ? v : "win7";
}

}  // namespace

TEST(Manifest, CommonControlsSixThroughTheDelayLoadResolver) {
    // The first call of any comctl32 function lands in the resolver, as in the installer.
    void* slot = nullptr;
    void* address = VelmoraResolveDelayImport("comctl32.dll", "DllGetVersion", &slot);
    ASSERT_NE(nullptr, address);
    EXPECT_EQ(address, slot);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    auto getVersion = reinterpret_cast<DllGetVersionFunction>(address);
#pragma GCC diagnostic pop
    DllVersion version = {sizeof version, 0, 0, 0, 0};
    ASSERT_EQ(S_OK, getVersion(&version));
    // Wine 8 answers 5.81 from its side-by-side copy too (it switches to the version 6
    // behaviour by the activation context, not by the file); Windows answers 6.x there.
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    EXPECT_EQ(wine ? 5u : 6u, version.major) << version.major << "." << version.minor;

    // The module loaded is the side-by-side one, not the system folder's version 5: a load by
    // full system path would bypass the manifest's common controls 6.
    wchar_t path[MAX_PATH] = {};
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        static_cast<LPCWSTR>(address), &module));
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring file(path);
    for (auto& c : file) {
        c = static_cast<wchar_t>(towlower(c));
    }
    EXPECT_NE(std::wstring::npos, file.find(L"\\winsxs\\"))
        << std::string(file.begin(), file.end());
}

TEST(Manifest, VersionProbeSeesTheRealVersion) {
    const std::string version = WineVersion();
    if (version == "win10") {
        // The supported-OS list lifts the 6.2.9200 that Windows shows programs without one.
        EXPECT_EQ("new windos", GetOsName());
        EXPECT_EQ(0u, GetOsVersionText().rfind("10.0.", 0)) << GetOsVersionText();
        EXPECT_FALSE(IsVersionEqual(6, 2));
    } else if (version == "winxp") {
        EXPECT_EQ("Windows XP", GetOsName());
        EXPECT_EQ(0u, GetOsVersionText().rfind("5.1.", 0)) << GetOsVersionText();
    } else {
        EXPECT_EQ("Windows 7", GetOsName());
        EXPECT_EQ("6.1.7601", GetOsVersionText());
    }
}
