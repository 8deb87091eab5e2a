// The pieces of a silent run that need no server: the install folder check and the limits a
// test environment can shorten.
#include <gtest/gtest.h>

#include <string>

#include "installer/exit_codes.h"
#include "installer/install_folder_check.h"
#include "installer/silent_limits.h"
#include "installer/usage_text.h"

namespace {

unsigned FixedC(const wchar_t* root) {
    return root[0] == L'C' ? DRIVE_FIXED : root[0] == L'N' ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR;
}

TEST(InstallFolderCheck, TakesWhatTheFolderBrowserGives) {
    for (const wchar_t* folder : {L"C:\\", L"c:\\Program Files (x86)", L"C:\\My Apps\\Velmora Test",
                                  L"C:\\游戏\\安卓", L"C:\\a.b\\c d"}) {
        const FolderCheck check = CheckInstallFolder(folder, &FixedC);
        EXPECT_TRUE(check.ok) << check.reason;
    }
    EXPECT_TRUE(
        CheckInstallFolder(L"C:\\" + std::wstring(kMaxInstallFolderLength - 3, L'x'), &FixedC).ok);
}

TEST(InstallFolderCheck, RefusesWhatTheBrowserCannotGiveOrThePackageCannotUse) {
    const wchar_t* const refused[] = {
        L"",
        L"Velmora",
        L"\\Velmora",
        L"C:Velmora",
        L"C:/Velmora",
        L"\\\\server\\share\\Velmora",
        L"1:\\Velmora",
        L"\"C:\\My Apps\"",
        L"C:\\a|b",
        L"C:\\a?",
        L"C:\\a*",
        L"C:\\a<b>",
        L"C:\\a:b",
        L"C:\\a\tb",
        L"C:\\a\\\\b",
        L"C:\\a\\..\\b",
        L"C:\\.\\b",
        L"C:\\a \\b",
        L"C:\\a.\\b",
        L"C:\\a/b",
        L"N:\\Velmora",
        L"Q:\\Velmora",
    };
    for (const wchar_t* folder : refused) {
        const FolderCheck check = CheckInstallFolder(folder, &FixedC);
        EXPECT_FALSE(check.ok) << std::string(folder, folder + wcslen(folder));
        EXPECT_FALSE(check.reason.empty());
    }
    const std::wstring tooLong = L"C:\\" + std::wstring(kMaxInstallFolderLength - 2, L'x');
    EXPECT_FALSE(CheckInstallFolder(tooLong, &FixedC).ok);
}

TEST(InstallFolderCheck, AsksWindowsForTheDriveByDefault) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    EXPECT_TRUE(CheckInstallFolder(std::wstring(windows, 3) + L"Velmora Test").ok);
}

TEST(SilentLimits, OnlyWholeSecondsWithinTheUsualLimitShortenIt) {
    EXPECT_EQ(300000u, ShortenedLimit("X", nullptr, 300000));
    EXPECT_EQ(5000u, ShortenedLimit("X", "5", 300000));
    EXPECT_EQ(300000u, ShortenedLimit("X", "300", 300000));
    for (const char* bad : {"", "0", "301", "-5", "5s", " 5", "1.5", "99999999999"}) {
        EXPECT_EQ(300000u, ShortenedLimit("X", bad, 300000)) << bad;
    }
    const SilentLimits usual;
    EXPECT_EQ(5u * 60 * 1000, usual.configMs);
    EXPECT_EQ(10u * 60 * 1000, usual.stallMs);
    EXPECT_EQ(30u * 60 * 1000, usual.packageMs);
}

TEST(UsageText, SaysWhatSilentMeansAndListsEveryExitCode) {
    const std::string text = UsageText();
    EXPECT_NE(std::string::npos, text.find("administrator accepting the"));
    for (int code = 0; code <= kExitProxyAuthRequired; ++code) {
        EXPECT_NE(std::string::npos, text.find("\r\n  " + std::to_string(code) + "  ")) << code;
    }
    for (int code : {kExitRebootInitiated, kExitRebootRequired}) {
        EXPECT_NE(std::string::npos, text.find("\r\n  " + std::to_string(code) + "  ")) << code;
    }
    // A deployment tool's whole command, and where the log of such a run goes.
    EXPECT_NE(std::string::npos, text.find("start /wait VelmoraInstaller.exe /S /LOG="));
    EXPECT_NE(std::string::npos, text.find("\\Velmora Installer\\release\\Velmorainstaller.log"));
}

}  // namespace
