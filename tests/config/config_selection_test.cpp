#include "app/config_selection.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

const std::string kReleasePath = "/update/win/kelto/VLMU.ini";
const std::string kTestPath = "/update/win/kelto/VLMU_TEST.ini";
const std::wstring kTestTitle = L"VelmoraInstaller\u5185\u90e8\u7248\u672c";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void ExpectRelease(const ConfigSelection& s) {
    EXPECT_EQ(0u, s.configUrl.rfind("http://", 0)) << s.configUrl;
    EXPECT_TRUE(EndsWith(s.configUrl, kReleasePath)) << s.configUrl;
    EXPECT_EQ(L"VelmoraInstaller", s.windowTitle);
    EXPECT_EQ(0, s.isTest);
}

void ExpectTest(const ConfigSelection& s) {
    EXPECT_EQ(0u, s.configUrl.rfind("http://", 0)) << s.configUrl;
    EXPECT_TRUE(EndsWith(s.configUrl, kTestPath)) << s.configUrl;
    EXPECT_EQ(kTestTitle, s.windowTitle);
    EXPECT_EQ(1, s.isTest);
}

// The marker lives in the working directory; the runs without a prepared marker start and end
// without one.
class MarkerInWorkingDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(nullptr, std::getenv("VELMORA_EXPECT_TEST_CONFIG"));
        Remove();
    }
    void TearDown() override { Remove(); }
    static void Remove() {
        DeleteFileW(L"test_ver_key");
        RemoveDirectoryW(L"test_ver_key");
    }
};

}  // namespace

TEST_F(MarkerInWorkingDirectory, NoMarkerSelectsRelease) {
    ExpectRelease(SelectConfiguration());
}

TEST_F(MarkerInWorkingDirectory, MarkerFileSelectsTest) {
    HANDLE f = CreateFileW(L"test_ver_key", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    CloseHandle(f);
    ExpectTest(SelectConfiguration());
}

TEST_F(MarkerInWorkingDirectory, MarkerFolderSelectsRelease) {
    ASSERT_TRUE(CreateDirectoryW(L"test_ver_key", nullptr));
    ExpectRelease(SelectConfiguration());
}

// A working directory reached through a link (made from outside the prefix before the run,
// as a junction would be) that holds a marker file: the marker is not taken.
TEST(MarkerBehindALink, IsIgnoredAndTheReleaseConfigurationChosen) {
    const char* linked = std::getenv("VELMORA_LINKED_MARKER_DIR");
    if (!linked) {
        GTEST_SKIP() << "no linked folder prepared";
    }
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    const std::string folder = linked;
    ASSERT_TRUE(SetCurrentDirectoryW(std::wstring(folder.begin(), folder.end()).c_str()));
    const DWORD attributes = GetFileAttributesW(L"test_ver_key");
    const ConfigSelection selection = SelectConfiguration();
    SetCurrentDirectoryW(saved);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);  // the marker is there, through the link
    ExpectRelease(selection);
    EXPECT_EQ("test_ver_key ignored, the release configuration is used: " + folder +
                  " is a link (reparse point), not a folder of its own",
              ConfigMarkerNote());
}

// Chosen during static initialisation from the working directory the process started in; a
// separate run starts in a directory holding the marker file.
TEST(ProcessSelection, MadeBeforeMainAndNeverChanged) {
    const bool expectTest = std::getenv("VELMORA_EXPECT_TEST_CONFIG") != nullptr;
    const ConfigSelection& selection = GetConfigSelection();
    if (expectTest) {
        ExpectTest(selection);
        DeleteFileW(L"test_ver_key");
    } else {
        ExpectRelease(selection);
        CloseHandle(CreateFileW(L"test_ver_key", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    // Changing the marker afterwards changes nothing.
    EXPECT_EQ(selection.isTest, GetConfigSelection().isTest);
    EXPECT_EQ(&selection, &GetConfigSelection());
    if (expectTest) {
        CloseHandle(CreateFileW(L"test_ver_key", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    } else {
        DeleteFileW(L"test_ver_key");
    }
}
