// The window's start-up while its configuration is fetched: the request runs on another
// thread, the main window is built hidden and answers its messages while the host keeps the
// answer back, and a failed request still brings the retry prompt on the window's thread, before
// the window shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/config_fetch.h"
#include "installer/install_settings.h"
#include "installer/main_frame.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {
const char kConfigPath[] = "/update/win/kelto/VLMU.ini";  // what this run asks for
const char kConfigText[] =
    "[full]\naddress=http://dl.velmora.example/pkg/Setup.exe\n"
    "checksum=0123456789abcdef0123456789abcdef\n";

// The thread id in a log line's prefix ("hh:mm:ss[pid.tid] ").
unsigned long ThreadOfLine(const std::string& line) {
    const size_t dot = line.find('.');
    return dot == std::string::npos ? 0 : std::stoul(line.substr(dot + 1));
}

unsigned long ThreadThatLogged(const LogCapture& log, const std::string& start) {
    for (const std::string& line : log.lines()) {
        if (LogMessageOf(line).compare(0, start.size(), start) == 0) {
            return ThreadOfLine(line);
        }
    }
    return 0;
}

// A window destroyed by an earlier test leaves its WM_QUIT behind.
void DropQueuedMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

int OperateReports() {
    return static_cast<int>(TestServer::RequestsFor("GET", "/qzadmin/operate.php").size());
}

// Seen from the window's thread while the configuration request waits at the host.
struct WhileHeld {
    HWND window = nullptr;
    bool looked = false;
    bool onWindowThread = false;
    bool visible = true;
    int titleLength = -1;
    bool pageBuilt = false;
    int reportsSent = -1;
    CMainFrame* frame = nullptr;
    DWORD windowThread = 0;
};
WhileHeld g_held;

// A timer of the window's thread: it can only run while that thread dispatches messages. Once
// the request has reached the host (which sends nothing until told), it looks at the window
// and lets the host answer.
void CALLBACK LookWhileHeld(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_held.looked || TestServer::RequestsFor("GET", kConfigPath).empty()) {
        return;
    }
    KillTimer(nullptr, timer);
    g_held.looked = true;
    g_held.onWindowThread = GetCurrentThreadId() == g_held.windowThread;
    g_held.visible = IsWindowVisible(g_held.window) != FALSE;
    g_held.titleLength = GetWindowTextLengthW(g_held.window);
    g_held.pageBuilt = g_held.frame->manager().FindByName(L"installbtn") != nullptr;
    g_held.reportsSent = OperateReports();
    TestServer::Control("fault?path=" + UrlEncode(kConfigPath) + "&release=1");
}
}  // namespace

class ConfigFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty());
        WriteFileBytes("AmdSupport.txt", "AMD\r\n");
        SetEnvironmentVariableA("http_proxy", TestServer::BaseUrl().c_str());
        TestServer::Reset();
        // Served as a file of the package host, whose faults can hold the answer back.
        TestServer::Control("package?path=" + UrlEncode(kConfigPath), kConfigText, true);
        DropQueuedMessages();
    }
    void TearDown() override { TestServer::Reset(); }
};

TEST_F(ConfigFetchTest, TheWindowIsBuiltHiddenAndAnswersWhileTheHostHoldsTheConfiguration) {
    TestServer::Control("fault?path=" + UrlEncode(kConfigPath) + "&stall_after=0");
    LogCapture log;
    CMainFrame frame{InstallSettings::FetchLater{}};
    ConfigFetch fetch(frame.settings());
    frame.CreateWnd(nullptr, L"", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 300, 400,
                    nullptr);
    g_held = WhileHeld{};
    g_held.window = frame.GetHWND();
    g_held.frame = &frame;
    g_held.windowThread = GetCurrentThreadId();
    SetTimer(nullptr, 0, 20, LookWhileHeld);

    ASSERT_TRUE(fetch.Wait());
    ASSERT_TRUE(g_held.looked);
    EXPECT_TRUE(g_held.onWindowThread);
    EXPECT_FALSE(g_held.visible);
    EXPECT_EQ(0, g_held.titleLength);  // a second copy does not find it yet
    EXPECT_TRUE(g_held.pageBuilt);
    EXPECT_EQ(0, g_held.reportsSent);
    const unsigned long requester = ThreadThatLogged(log, "request config from ");
    EXPECT_NE(0ul, requester);
    EXPECT_NE(GetCurrentThreadId(), requester);
    ASSERT_EQ(1u, frame.settings().packages().size());

    frame.ShowConfigured();
    EXPECT_TRUE(IsWindowVisible(frame.GetHWND()));
    wchar_t title[64] = L"";
    GetWindowTextW(frame.GetHWND(), title, 64);
    EXPECT_STREQ(L"VelmoraInstaller", title);
    // The log reads as when the window's constructor fetched.
    std::vector<std::string> order;
    const std::string request = "request config from";
    for (const std::string& line : log.lines()) {
        const std::string message = LogMessageOf(line);
        if (message.compare(0, request.size(), request) == 0) {
            order.push_back(request);
        } else if (message == "init()" || message == "~init()" ||
                   message == "CMainFrame::CMainFrame()") {
            order.push_back(message);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"init()", "request config from", "~init()",
                                        "CMainFrame::CMainFrame()"}),
              order);
}

TEST_F(ConfigFetchTest, AFailedRequestBringsThePromptOnTheWindowsThreadThenTheNextAttempt) {
    // The host answers an error page once, then the configuration.
    TestServer::Control("fault?path=" + UrlEncode(kConfigPath) + "&answer=500&answer_times=1");
    LogCapture log;
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<ConfigFailure> prompts;
    DWORD promptThread = 0;
    InstallSettings settings(InstallSettings::FetchLater{}, TestServer::Url(kConfigPath),
                             [&](ConfigFailure why) {
                                 prompts.push_back(why);
                                 promptThread = GetCurrentThreadId();
                             });
    ConfigFetch fetch(settings);
    ASSERT_TRUE(fetch.Wait());
    EXPECT_EQ(std::vector<ConfigFailure>{ConfigFailure::Unreachable}, prompts);
    EXPECT_EQ(uiThread, promptThread);
    ASSERT_EQ(1u, settings.packages().size());
    EXPECT_EQ("0123456789abcdef0123456789abcdef", settings.packages()[0].checksum);
    EXPECT_EQ(2, log.countStartingWith("request config from ", "T/"));
    EXPECT_EQ(1, log.countExact("Request download url failed!", "W/"));
    EXPECT_EQ(1, log.countExact("Request download url failed, re-try.", "I/"));
    EXPECT_EQ(1, log.countExact("~init()", "T/"));
    EXPECT_EQ(2u, TestServer::RequestsFor("GET", kConfigPath).size());
}
