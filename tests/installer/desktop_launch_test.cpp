// The installed program and the links are started as the desktop user when the token is split
// and elevated, directly otherwise, and a link that is not https or one of the build's own
// hosts is not opened at all. Under Wine the token always reads as split and elevated;
// VELMORA_DEV_NO_SPLIT_TOKEN (development builds) stands for XP or UAC off.
#include "installer/desktop_launch.h"

#include <windows.h>

#include <exdisp.h>
#include <shlguid.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/process_token.h"
#include "app/text_convert.h"
#include "installer/build_relaxations.h"
#include "installer/link_policy.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

const char kDirect[] = "installed program started directly with this process's rights (";

// Whether the desktop's shell offers its windows, waiting up to 10 s. Wine starts its desktop
// (explorer) with the first window of a prefix; on a loaded machine explorer sometimes starts
// before Wine's service manager and never offers them ("start_rpcss Failed to open service
// manager"), as if no shell ran: a desktop without a shell, which the launch must also handle.
bool DesktopShellAnswers() {
    GetDesktopWindow();
    const HRESULT com = CoInitialize(nullptr);
    bool answers = false;
    for (int i = 0; i < 100 && !answers; ++i) {
        IShellWindows* windows = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                       IID_IShellWindows, reinterpret_cast<void**>(&windows)))) {
            windows->Release();
            answers = true;
        } else {
            Sleep(100);
        }
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return answers;
}

// A "program" that leaves its working folder in a file beside it, as the installed program's
// stand-in does; waits for that file.
class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(dir_.file("prog.bat"),
                       "@echo %CD%> \"" + dir_.file("started.txt") + "\"\r\n");
        CreateDirectoryA(dir_.file("work").c_str(), nullptr);
    }
    void TearDown() override { SetEnvironmentVariableW(L"VELMORA_DEV_NO_SPLIT_TOKEN", nullptr); }
    std::wstring Program() const { return WidenBytes(dir_.file("prog.bat")); }
    std::wstring WorkFolder() const { return WidenBytes(dir_.file("work")); }
    // The working folder the program reported, "" if it did not start within 20 s.
    std::string Started() const {
        for (int i = 0; i < 200; ++i) {
            const std::string text = ReadFileBytes(dir_.file("started.txt"));
            if (text.find('\n') != std::string::npos) {
                return text.substr(0, text.find_first_of("\r\n"));
            }
            Sleep(100);
        }
        return std::string();
    }

    TempDir dir_{"desktop_launch"};
    LogCapture log_;
};

TEST_F(LaunchTest, WithoutASplitTokenTheProgramStartsDirectlyInItsFolder) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"VELMORA_DEV_NO_SPLIT_TOKEN", L"1"));
    EXPECT_EQ(LaunchWay::Direct, OpenForDesktopUser(Program(), WorkFolder(), "installed program"));
    EXPECT_EQ(dir_.file("work"), Started());
    EXPECT_EQ(1, log_.countStartingWith(
                     std::string(kDirect) + "no split token (VELMORA_DEV_NO_SPLIT_TOKEN)): ", "I/"))
        << log_.dump();
}

TEST_F(LaunchTest, ElevatedWithASplitTokenTheDesktopShellIsAskedFirst) {
    // Wine's token: the full half of a split token, as an elevated administrator's on Windows.
    ASSERT_TRUE(TokenIsElevatedSplit());
    ASSERT_TRUE(TokenIsAdministrator());
    if (!DesktopShellAnswers()) {
        std::printf("the desktop shell offers no windows here: the direct start is checked\n");
        EXPECT_EQ(LaunchWay::Direct,
                  OpenForDesktopUser(Program(), WorkFolder(), "installed program"));
        EXPECT_EQ(dir_.file("work"), Started());
        EXPECT_EQ(1,
                  log_.countStartingWith(std::string(kDirect) + "no desktop shell to ask: ", "I/"))
            << log_.dump();
        return;
    }
    // Wine's explorer keeps the desktop window and answers the shell's chain of questions, so
    // the desktop user's way is the one taken here.
    EXPECT_EQ(LaunchWay::DesktopUser,
              OpenForDesktopUser(Program(), WorkFolder(), "installed program"));
    EXPECT_EQ(dir_.file("work"), Started());
    EXPECT_EQ(1, log_.countStartingWith("installed program started as the desktop user "
                                        "through the desktop's shell: ",
                                        "I/"))
        << log_.dump();
}

TEST_F(LaunchTest, ALinkThatIsNoWebAddressOfOursIsNeverStarted) {
    // A configuration naming a local program as its manual-download address.
    const std::wstring local = Program();
    EXPECT_EQ(LaunchWay::Refused, OpenLinkForDesktopUser(local, "manual-download link"));
    EXPECT_EQ(LaunchWay::Refused,
              OpenLinkForDesktopUser(L"http://evil.example/x.exe", "agreement link"));
    EXPECT_EQ(std::string(), ReadFileBytes(dir_.file("started.txt")));
    EXPECT_EQ(1, log_.countExact("manual-download link not opened: neither https nor http: " +
                                     WideToUtf8(local),
                                 "W/"));
    EXPECT_EQ(1, log_.countExact("agreement link not opened: http to a host the build does not "
                                 "name (evil.example): http://evil.example/x.exe",
                                 "W/"));
}

TEST(LinkPolicy, HttpsAnywhereHttpOnlyToTheBuildsOwnHosts) {
    const std::vector<std::string> hosts = {"www.velmora.example", "dl.velmora.example"};
    for (const wchar_t* ok :
         {L"https://anywhere.example/a?b#c", L"HTTPS://Mirror.Example:8443/",
          L"http://www.velmora.example/test/xkxy.html",
          L"HTTP://DL.velmora.example:80/pkg/Setup.exe", L"http://www.velmora.example"}) {
        EXPECT_EQ("", LinkRefusal(ok, hosts)) << WideToUtf8(ok);
    }
    for (const wchar_t* bad :
         {L"", L"C:\\Windows\\system32\\cmd.exe", L"\\\\server\\share\\setup.exe",
          L"file:///C:/Windows/system32/calc.exe", L"javascript:alert(1)",
          L"ftp://dl.velmora.example/", L"http://other.example/",
          L"http://www.velmora.example.evil.example/", L"http://www.velmora.example@evil.example/",
          L"https:///path", L"https://a b/", L"https://host.example/\nI/Forged -- line",
          L"http://www.velmora.example:80x/", L"https://h\u00f6st.example/"}) {
        EXPECT_NE("", LinkRefusal(bad, hosts)) << WideToUtf8(bad);
    }
    // The build's own list: the hosts of cmake/VelmoraSettings.cmake, in lower case.
    const std::vector<std::string>& built = ConfiguredLinkHosts();
    EXPECT_NE(built.end(), std::find(built.begin(), built.end(), "www.velmora.example"));
    EXPECT_NE(built.end(), std::find(built.begin(), built.end(), "bbs.velmora.example"));
    EXPECT_EQ("", LinkRefusal(L"http://forum.velmora.example/", built));
}

TEST(BuildRelaxations, ADevelopmentBuildNamesWhatItRelaxes) {
    LogCapture log;
    LogBuildRelaxations();
    // The test build keeps the defaults: http, no pin, no key.
    EXPECT_EQ(1, log.countExact("development build: configuration fetched over http; no "
                                "publisher pin, packages run unchecked; no configuration key, an "
                                "unsigned configuration is taken; VELMORA_DEV_NO_SPLIT_TOKEN "
                                "honoured",
                                "W/"))
        << log.dump();
}

}  // namespace
