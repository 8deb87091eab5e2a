#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sysinfo/disk_identity.h"
#include "sysinfo/gpu_info.h"
#include "sysinfo/local_time.h"
#include "sysinfo/machine_guid.h"
#include "sysinfo/memory.h"
#include "sysinfo/os_version.h"
#include "sysinfo/processor.h"
#include "sysinfo/processor_support.h"

namespace {
bool AllDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// The processor name of this Wine prefix, replaced for one test and put back afterwards.
class ProcessorNameInRegistry {
public:
    ProcessorNameInRegistry() {
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key_);
        wchar_t buffer[1024] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        if (key_ && RegQueryValueExW(key_, kValue, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
            original_ = buffer;
        }
    }
    ~ProcessorNameInRegistry() {
        if (key_) {
            Set(original_);
            RegCloseKey(key_);
        }
    }
    bool open() const { return key_ != nullptr; }
    bool Set(const std::wstring& name) {
        return RegSetValueExW(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                              static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }
    bool Remove() { return RegDeleteValueW(key_, kValue) == ERROR_SUCCESS; }

private:
    static constexpr const wchar_t* kValue = L"ProcessorNameString";
    HKEY key_ = nullptr;
    std::wstring original_;
};
}  // namespace

TEST(Probes, ProcessorNameCountAndMemory) {
    const std::wstring wide = GetProcessorName();
    const std::string ansi = GetProcessorNameAnsi();
    ASSERT_FALSE(wide.empty());
    EXPECT_EQ(wide.size(), ansi.size());  // the name is ASCII on every test machine
    EXPECT_EQ(wide, std::wstring(ansi.begin(), ansi.end()));
    EXPECT_TRUE(AllDigits(GetProcessorCount()));
    EXPECT_GE(std::atoi(GetProcessorCount().c_str()), 1);
    EXPECT_TRUE(AllDigits(GetTotalMemoryMB()));
    EXPECT_GT(std::atoi(GetTotalMemoryMB().c_str()), 0);
}

// The name is taken as Windows stores it, blanks included; a read that fails gives the last
// name read. The support check reads the same registry name.
TEST(Probes, ProcessorNameAsStoredAndKeptWhenALaterReadFails) {
    ProcessorNameInRegistry registry;
    ASSERT_TRUE(registry.open());
    const std::wstring stored = L"   AMD Ryzen 5 1600 Six-Core Processor  ";
    ASSERT_TRUE(registry.Set(stored));
    EXPECT_EQ(stored, GetProcessorName());
    EXPECT_EQ("   AMD Ryzen 5 1600 Six-Core Processor  ", GetProcessorNameAnsi());
    EXPECT_FALSE(IsProcessorSupported());
    ASSERT_TRUE(registry.Set(L"AMD A10-6800K APU with Radeon(tm) HD Graphics"));
    EXPECT_TRUE(IsProcessorSupported());
    ASSERT_TRUE(registry.Remove());
    EXPECT_EQ(L"AMD A10-6800K APU with Radeon(tm) HD Graphics", GetProcessorName());
}

// Wine gives programs the host's memory, so the kernel's own figure (the host's root is drive
// Z:) is what the probe must report: all of it, past the 4 GiB at which the older 32-bit call
// stops, in whole MiB rounded down.
TEST(Probes, MemoryIsAllOfTheMachinesMemoryInWholeMebibytes) {
    std::ifstream meminfo("Z:\\proc\\meminfo");
    ASSERT_TRUE(meminfo.is_open());
    std::string key;
    uint64_t kib = 0;
    while (meminfo >> key && key != "MemTotal:") {
        meminfo.ignore(256, '\n');
    }
    ASSERT_TRUE(meminfo >> kib) << "no MemTotal line";
    EXPECT_EQ(std::to_string(kib / 1024), GetTotalMemoryMB());
}

TEST(Probes, GraphicsAdapterUnderTheTestDisplay) {
    GpuInfo info;
    ASSERT_TRUE(QueryGpuInfo(info)) << "Direct3D 9 needs the X display with GL";
    EXPECT_FALSE(info.description.empty());
    EXPECT_FALSE(info.driver.empty());
    EXPECT_EQ(info.description, GetGpuName());
    EXPECT_EQ(info.driver, GetGpuDriver());
}

TEST(Probes, MachineGuidIsABareGuid) {
    const std::string guid = GetMachineGuid();
    ASSERT_EQ(36u, guid.size()) << guid;
    for (size_t i : {8u, 13u, 18u, 23u}) {
        EXPECT_EQ('-', guid[i]);
    }
    EXPECT_EQ(std::string::npos, guid.find('{'));
}

TEST(Probes, LocalTimeText) {
    SYSTEMTIME t = {};
    t.wYear = 2016;
    t.wMonth = 5;
    t.wDay = 3;
    t.wHour = 14;
    t.wMinute = 7;
    t.wSecond = 9;
    EXPECT_EQ("2016:05:03_14:07:09", FormatLocalTime(t));
    t.wHour = 0;
    t.wMonth = 12;
    EXPECT_EQ("2016:12:03_00:07:09", FormatLocalTime(t));

    const std::string now = GetLocalTimeText();
    ASSERT_EQ(19u, now.size()) << now;
    for (size_t i = 0; i < now.size(); ++i) {
        const char c = now[i];
        if (i == 4 || i == 7 || i == 13 || i == 16) {
            EXPECT_EQ(':', c) << now;
        } else if (i == 10) {
            EXPECT_EQ('_', c) << now;
        } else {
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c))) << now;
        }
    }
}

TEST(DiskIdentity, AtaStringsDropEveryBlankAndNul) {
    uint16_t words[256] = {};
    // Serial words 10..19: two blanks, "WD-WCC4E1234567", four blanks... (20 bytes in all,
    // each word holding its first character in the high byte).
    const char serial[] = "  WD-WCC4E1234567   ";
    for (int i = 0; i < 10; ++i) {
        words[10 + i] = static_cast<uint16_t>((static_cast<unsigned char>(serial[2 * i]) << 8) |
                                              static_cast<unsigned char>(serial[2 * i + 1]));
    }
    EXPECT_EQ("WD-WCC4E1234567", AtaString(words, 10, 19));

    const char inner[] = "AB 12 CD";
    uint16_t model[4] = {};
    for (int i = 0; i < 4; ++i) {
        model[i] = static_cast<uint16_t>((static_cast<unsigned char>(inner[2 * i]) << 8) |
                                         static_cast<unsigned char>(inner[2 * i + 1]));
    }
    EXPECT_EQ("AB12CD", AtaString(model, 0, 3));
    // A NUL byte inside is dropped as well; the high byte of a word comes first.
    const uint16_t words2[2] = {0x4100, 0x4342};
    EXPECT_EQ("ACB", AtaString(words2, 0, 1));
}

TEST(DiskIdentity, MissingDriveFailsAndKeepsThePreviousIdentity) {
    const DiskIdentity before = GetDiskIdentity();
    EXPECT_EQ(-1, ReadDiskIdentity(97));
    const DiskIdentity after = GetDiskIdentity();
    EXPECT_STREQ(before.serial, after.serial);
    EXPECT_STREQ(before.model, after.model);
    // Drive 0 answers or not depending on the machine; either way the serial is a C string
    // within its field.
    const std::string serial = GetDiskSerial();
    EXPECT_LT(serial.size(), sizeof(DiskIdentity::serial));
}
