// The real main window in this process, driven through its window messages: what it shows
// after creation, the agreement check box, dragging, the workers' messages, the stages and
// the background rotation. The remote configuration comes from the loopback test server.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "installer/config_fetch.h"
#include "installer/install_flow.h"
#include "installer/main_frame.h"
#include "installer/progress_texts.h"
#include "installer/msg_box.h"
#include "report/report_queue.h"
#include "skinui/controls/controls.h"
#include "skinui/core/high_contrast.h"
#include "tests/main_window/hit_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_server.h"

namespace {
int CountSteps(const std::string& step) {
    WaitForQueuedReports(60000);
    int n = 0;
    for (const ServerRequest& r : TestServer::RequestsFor("GET", "/qzadmin/operate.php")) {
        if (r.query.find("&step=" + step + "&") != std::string::npos) {
            ++n;
        }
    }
    return n;
}

int CountRequests(const std::string& method, const std::string& path) {
    return static_cast<int>(TestServer::RequestsFor(method, path).size());
}

const char kPackagePath[] = "/pkg/Setup.exe";

// Handles this thread's messages (the workers' SendMessageW calls among them) until the
// condition holds; false after the bound (a hang guard).
bool PumpUntil(const std::function<bool()>& done, DWORD boundMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > boundMs) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}
}  // namespace

class MainFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_FALSE(TestServer::BaseUrl().empty());
        // The processor of the test machine may be one the product does not support.
        WriteFileBytes("AmdSupport.txt", "AMD\r\n");
        SetEnvironmentVariableA("http_proxy", TestServer::BaseUrl().c_str());
        TestServer::Reset();
        // The package the configuration names, with its real checksum, for the download test.
        const std::string md5 = TestServer::DefinePackage(kPackagePath, 3 << 20, 7);
        for (const char* config :
             {"/update/win/kelto/VLMU.ini", "/update/win/kelto/VLMU_TEST.ini"}) {
            TestServer::Control("config?path=" + UrlEncode(config),
                                std::string("[full]\naddress=http://dl.velmora.example") +
                                    kPackagePath + "\nchecksum=" + md5 + "\n",
                                true);
        }
        // Built as the installer builds it: the configuration fetched while the window is
        // created hidden, then shown.
        frame_ = new CMainFrame(InstallSettings::FetchLater{});
        {
            ConfigFetch fetch(frame_->settings());
            frame_->CreateWnd(nullptr, L"", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 300,
                              400, nullptr);
            frame_->CenterOnOwner();
            ASSERT_TRUE(fetch.Wait());
        }
        frame_->ShowConfigured();
        UpdateWindow(frame_->GetHWND());
    }
    static void TearDownTestSuite() {
        delete frame_;
        frame_ = nullptr;
    }

    static SkinUI::CControlUI* Find(const wchar_t* name) {
        return frame_->manager().FindByName(name);
    }
    static HWND Window() { return frame_->GetHWND(); }
    static POINT Centre(const wchar_t* name) {
        const RECT& r = Find(name)->GetPos();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static void Click(POINT p) {
        const LPARAM at = MAKELPARAM(p.x, p.y);
        SendMessageW(Window(), WM_MOUSEMOVE, 0, at);
        SendMessageW(Window(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(Window(), WM_LBUTTONUP, 0, at);
    }
    static int Page() { return static_cast<SkinUI::CTabLayoutUI*>(Find(L"switch"))->GetCurSel(); }
    static SkinUI::COptionUI* Accept() { return static_cast<SkinUI::COptionUI*>(Find(L"accept")); }

    static CMainFrame* frame_;
};

CMainFrame* MainFrameTest::frame_ = nullptr;

TEST_F(MainFrameTest, OpensOnTheFolderPageWithTheAgreementAcceptedAndReportsItsStart) {
    wchar_t title[64] = L"";
    GetWindowTextW(Window(), title, 64);
    EXPECT_STREQ(L"VelmoraInstaller", title);
    RECT client;
    GetClientRect(Window(), &client);
    EXPECT_EQ(586, client.right);
    EXPECT_EQ(431, client.bottom);
    EXPECT_EQ(0, GetWindowLongW(Window(), GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(1, CountSteps("DownloaderStart"));
    EXPECT_EQ(0, Page());
    EXPECT_EQ(0, frame_->stage());
    EXPECT_EQ(frame_->settings().installPath(), Find(L"dtedit")->GetText());
    EXPECT_TRUE(Accept()->IsSelected());
    EXPECT_TRUE(Find(L"installbtn")->IsEnabled());
    // The keyboard starts on Install (enabled once the agreement is accepted), not drawn yet.
    EXPECT_EQ(Find(L"installbtn"), frame_->manager().GetFocus());
    EXPECT_FALSE(frame_->manager().IsFocusShown());
    EXPECT_FALSE(Find(L"quicklaunch")->IsVisible());
    EXPECT_EQ(L"http://www.velmora.example/test/xkxy_en.html", frame_->settings().agreementUrl());
    // Set after the first paint, for the taskbar and the task switcher.
    EXPECT_NE(0, SendMessageW(Window(), WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(0, SendMessageW(Window(), WM_GETICON, ICON_SMALL, 0));
}

TEST_F(MainFrameTest, InstallButtonWorksOnlyWhileTheAgreementIsTicked) {
    Click(Centre(L"accept"));
    EXPECT_FALSE(Accept()->IsSelected());
    EXPECT_FALSE(Find(L"installbtn")->IsEnabled());
    Click(Centre(L"installbtn"));
    EXPECT_EQ(0, frame_->stage());
    EXPECT_EQ(0, Page());
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_EQ(0, CountRequests("HEAD", "/pkg/Setup.exe"));
    Click(Centre(L"accept"));
    EXPECT_TRUE(Accept()->IsSelected());
    EXPECT_TRUE(Find(L"installbtn")->IsEnabled());
}

// Every page: the background and the progress bar drag the window; buttons, check boxes, the
// edit and the labels do not (a press on a label stays with the window).
// The web browser for this test: a copy of the product's stand-in registered for http, which
// records the address it was given. The previous handler comes back at the end.
class BrowserStandIn {
public:
    BrowserStandIn() {
        std::string stub = std::getenv("VELMORA_STUB_EXE") ? std::getenv("VELMORA_STUB_EXE") : "";
        for (char& c : stub) {
            c = c == '/' ? '\\' : c;
        }
        copied_ = !stub.empty() && CopyFileA(stub.c_str(), dir_.file("browser.exe").c_str(), FALSE);
        RegCreateKeyExW(HKEY_CLASSES_ROOT, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key_, nullptr);
        wchar_t old[1024] = L"";
        DWORD size = sizeof old - sizeof(wchar_t);
        hadOld_ = RegQueryValueExW(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                   &size) == ERROR_SUCCESS;
        old_ = old;
        const std::string exe = dir_.file("browser.exe");
        Set(L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" \"%1\"");
    }
    ~BrowserStandIn() {
        if (hadOld_) {
            Set(old_);
        } else {
            RegDeleteValueW(key_, nullptr);
        }
        RegCloseKey(key_);
    }
    bool ready() const { return copied_ && key_ != nullptr; }
    // The command line the browser was started with ("" until it has run), then forgets it.
    std::string TakeCommandLine() {
        const std::string text = ReadFileBytes(dir_.file("launched.txt"));
        const size_t at = text.find("cmd=");
        if (at == std::string::npos || text.find('\n', at) == std::string::npos) {
            return std::string();
        }
        DeleteFileA(dir_.file("launched.txt").c_str());
        return text.substr(at + 4, text.find('\n', at) - at - 4);
    }

private:
    static constexpr const wchar_t* kKey = L"http\\shell\\open\\command";
    void Set(const std::wstring& command) {
        RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    TempDir dir_{"browser"};
    HKEY key_ = nullptr;
    bool copied_ = false;
    bool hadOld_ = false;
    std::wstring old_;
};

// The agreement link, clicked in the real window: as the desktop user through the desktop's
// shell while the token is split and elevated (always so under Wine), directly when it is not.
TEST_F(MainFrameTest, TheAgreementLinkOpensAsTheDesktopUserWhenElevatedAndDirectlyOtherwise) {
    BrowserStandIn browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(Find(L"useragreement")->IsVisible());
    const std::string url = "http://www.velmora.example/test/xkxy_en.html";
    std::string opened;
    auto wait = [&] {
        return PumpUntil([&] { return !(opened = browser.TakeCommandLine()).empty(); }, 20000);
    };
    {
        LogCapture log;
        Click(Centre(L"useragreement"));
        ASSERT_TRUE(wait()) << log.dump();
        EXPECT_NE(std::string::npos, opened.find(url)) << opened;
        EXPECT_EQ(1, log.countExact("agreement link started as the desktop user through the "
                                    "desktop's shell: " +
                                        url,
                                    "I/"))
            << log.dump();
    }
    {
        LogCapture log;
        SetEnvironmentVariableW(L"VELMORA_DEV_NO_SPLIT_TOKEN", L"1");
        Click(Centre(L"useragreement"));
        SetEnvironmentVariableW(L"VELMORA_DEV_NO_SPLIT_TOKEN", nullptr);
        ASSERT_TRUE(wait()) << log.dump();
        EXPECT_NE(std::string::npos, opened.find(url)) << opened;
        EXPECT_EQ(1, log.countExact("agreement link started directly with this process's rights "
                                    "(no split token (VELMORA_DEV_NO_SPLIT_TOKEN)): " +
                                        url,
                                    "I/"))
            << log.dump();
    }
}

TEST_F(MainFrameTest, BackgroundDragsButControlsAndLabelsDoNot) {
    using HitTable::Answers;
    auto* pages = static_cast<SkinUI::CTabLayoutUI*>(Find(L"switch"));
    const Answers strip = {
        {L"HorizontalLayoutUI", HTCAPTION}, {L"minbtn", HTCLIENT}, {L"closebtn", HTCLIENT}};
    Answers folder = strip;
    folder.insert({{L"VerticalLayoutUI", HTCAPTION},
                   {L"LabelUI", HTCLIENT},  // "Destination Folder:", "Accept the"
                   {L"dtedit", HTCLIENT},
                   {L"browse", HTCLIENT},
                   {L"accept", HTCLIENT},
                   {L"useragreement", HTCLIENT},
                   {L"installbtn", HTCLIENT}});
    HitTable::Check(Window(), frame_->manager(), folder,
                    {{{100, 23}, L"HorizontalLayoutUI"}, {{293, 200}, L"VerticalLayoutUI"}});
    HitTable::CheckEdges(Window());

    // Every control of the progress page at once, as no stage shows them all.
    pages->SelectItem(1);
    Answers progress = strip;
    progress.insert({{L"VerticalLayoutUI", HTCAPTION},
                     {L"progress", HTCAPTION},
                     {L"downladspeed", HTCLIENT},
                     {L"downtip", HTCLIENT},
                     {L"manualdownload", HTCLIENT},
                     {L"pausebtn", HTCLIENT},
                     {L"progressread", HTCLIENT}});
    // The percentage lies over the middle of the bar: the bar is met beside it.
    HitTable::Check(Window(), frame_->manager(), progress,
                    {{{100, 376}, L"progress"}, {{293, 200}, L"VerticalLayoutUI"}});

    pages->SelectItem(2);
    Answers result = strip;
    result.insert({{L"finishtext", HTCLIENT}, {L"endbtn", HTCLIENT}});
    HitTable::Check(Window(), frame_->manager(), result, {});
    HitTable::CheckEdges(Window());

    pages->SelectItem(0);
    UpdateWindow(Window());
    EXPECT_EQ(0, SendMessageW(Window(), WM_NCLBUTTONDBLCLK, HTCAPTION, 0));
    EXPECT_FALSE(IsZoomed(Window()));
}

TEST_F(MainFrameTest, BackgroundRotatesThroughFiveImagesAndStartsOver) {
    const wchar_t* const expected[] = {L"171", L"172", L"173", L"174", L"170", L"171"};
    for (const wchar_t* id : expected) {
        EXPECT_EQ(0, SendMessageW(Window(), WM_TIMER, CMainFrame::kBannerTimer, 0));
        EXPECT_EQ(std::wstring(L"res='") + id + L"' restype='png'",
                  Find(L"bklayout")->GetBkImage());
    }
}

TEST_F(MainFrameTest, WorkerMessagesSetSpeedBarAndPercentKeepingACopyOfTheText) {
    {
        std::wstring speed = L"512KB/s";
        SendMessageW(Window(), kMsgSpeedText, reinterpret_cast<WPARAM>(speed.c_str()), 0);
        speed = L"changed by the sender afterwards";
    }
    EXPECT_EQ(L"512KB/s", Find(L"downladspeed")->GetText());
    SendMessageW(Window(), kMsgSpeedText, 0, 0);
    EXPECT_EQ(L"512KB/s", Find(L"downladspeed")->GetText());
    SendMessageW(Window(), kMsgProgressValue, 35, 0);
    EXPECT_EQ(35, static_cast<SkinUI::CProgressUI*>(Find(L"progress"))->GetValue());
    {
        std::wstring percent = L"35%";
        SendMessageW(Window(), kMsgProgressText, reinterpret_cast<WPARAM>(percent.c_str()), 0);
        percent = L"gone";
    }
    EXPECT_EQ(L"35%", Find(L"progressread")->GetText());
    EXPECT_EQ(L"35%", frame_->trayText());
    SendMessageW(Window(), kMsgProgressText, 0, 0);
    EXPECT_EQ(L"35%", frame_->trayText());
}

TEST_F(MainFrameTest, TrayHidesTheWindowAndALeftClickOnTheIconBringsItBack) {
    frame_->MinimizeToTray();
    EXPECT_FALSE(IsWindowVisible(Window()));
    EXPECT_EQ(1, SendMessageW(Window(), kMsgTrayCallback, 5, WM_LBUTTONUP));  // not our icon
    EXPECT_FALSE(IsWindowVisible(Window()));
    EXPECT_EQ(0, SendMessageW(Window(), kMsgTrayCallback, CMainFrame::kTrayIconId, WM_MOUSEMOVE));
    EXPECT_EQ(0, SendMessageW(Window(), kMsgTrayCallback, CMainFrame::kTrayIconId, WM_LBUTTONUP));
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(frame_->trayIconShown());
}

TEST_F(MainFrameTest, EnterOrSpaceOnTheTrayIconBringsTheWindowBackAsAClickDoes) {
    // Enter after a click on the icon, and Enter or Space on the icon reached with the keyboard.
    for (LPARAM event : {static_cast<LPARAM>(NIN_SELECT), static_cast<LPARAM>(NIN_KEYSELECT)}) {
        frame_->MinimizeToTray();
        ASSERT_FALSE(IsWindowVisible(Window()));
        // The shell was asked for the icon version that sends those.
        EXPECT_TRUE(frame_->trayIconTakesKeys());
        EXPECT_EQ(0, SendMessageW(Window(), kMsgTrayCallback, CMainFrame::kTrayIconId, event));
        EXPECT_TRUE(IsWindowVisible(Window()));
        EXPECT_FALSE(frame_->trayIconShown());
        // The NIN_SELECT that follows a click's button-up finds the window back already.
        EXPECT_EQ(0, SendMessageW(Window(), kMsgTrayCallback, CMainFrame::kTrayIconId, event));
        EXPECT_TRUE(IsWindowVisible(Window()));
    }
    // Brought back with the keyboard, the window shows its focus at once.
    EXPECT_TRUE(frame_->manager().IsFocusShown());
}

TEST_F(MainFrameTest, InstallingAndFinishedStagesSwitchPagesAndTexts) {
    frame_->MinimizeToTray();
    SendMessageW(Window(), kMsgShowInstalling, 0, 0);
    EXPECT_EQ(2, frame_->stage());
    EXPECT_EQ(1, Page());
    EXPECT_EQ(L"Installing ...", Find(L"status")->GetText());
    EXPECT_FALSE(Find(L"downladspeed")->IsVisible());
    EXPECT_FALSE(Find(L"pausebtn")->IsVisible());
    EXPECT_FALSE(Find(L"manualdownload")->IsVisible());
    EXPECT_FALSE(IsWindowVisible(Window()));
    SendMessageW(Window(), kMsgShowFinished, 0, 0);
    EXPECT_EQ(3, frame_->stage());
    EXPECT_EQ(2, Page());
    EXPECT_FALSE(frame_->installSucceeded());
    EXPECT_EQ(L"Installation failed!", Find(L"finishtext")->GetText());
    EXPECT_EQ(L"Retry", Find(L"endbtn")->GetText());
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(frame_->trayIconShown());
    // The result page offers Retry to the keyboard.
    UpdateWindow(Window());
    EXPECT_EQ(Find(L"endbtn"), frame_->manager().GetFocus());
}

TEST_F(MainFrameTest, WhatStandsInTheWayIsShownWithItsButtonsAndAFullDiskBringsTheWindowBack) {
    frame_->ShowStage(1);
    frame_->MinimizeToTray();
    ASSERT_FALSE(IsWindowVisible(Window()));
    DownloadObstacle obstacle;
    obstacle.kind = DownloadObstacle::Kind::Network;
    obstacle.text = L"Waiting for the network, trying again in 4 s";
    SendMessageW(Window(), kMsgObstacle, reinterpret_cast<WPARAM>(&obstacle), 0);
    EXPECT_EQ(obstacle.text, Find(L"obstacle")->GetText());
    EXPECT_TRUE(Find(L"obstacle")->IsVisible());
    EXPECT_FALSE(Find(L"spaceretry")->IsVisible());
    EXPECT_FALSE(IsWindowVisible(Window())) << "the network comes back by itself";
    // A full disk on the install folder's drive: Retry, the way back to the folder, and the
    // window comes back to say it.
    obstacle.kind = DownloadObstacle::Kind::DiskSpace;
    obstacle.installVolume = true;
    obstacle.text = L"Not enough disk space on drive D: (20.0 MB needed, 1.0 MB free).";
    SendMessageW(Window(), kMsgObstacle, reinterpret_cast<WPARAM>(&obstacle), 0);
    EXPECT_EQ(obstacle.text, Find(L"obstacle")->GetText());
    EXPECT_TRUE(Find(L"spaceretry")->IsVisible());
    EXPECT_TRUE(Find(L"spacefolder")->IsVisible());
    EXPECT_TRUE(IsWindowVisible(Window()));
    EXPECT_FALSE(frame_->trayIconShown());
    // Only the package's drive short: choosing another install folder would not help.
    obstacle.installVolume = false;
    SendMessageW(Window(), kMsgObstacle, reinterpret_cast<WPARAM>(&obstacle), 0);
    EXPECT_TRUE(Find(L"spaceretry")->IsVisible());
    EXPECT_FALSE(Find(L"spacefolder")->IsVisible());
    // Nothing in the way any more.
    const DownloadObstacle none;
    SendMessageW(Window(), kMsgObstacle, reinterpret_cast<WPARAM>(&none), 0);
    for (const wchar_t* name : {L"obstacle", L"spaceretry", L"spacefolder"}) {
        EXPECT_FALSE(Find(name)->IsVisible()) << name;
    }
    // The way back to the folder field goes to the start page (no job runs here).
    Find(L"spacefolder")->SetVisible(true);
    UpdateWindow(Window());
    Click(Centre(L"spacefolder"));
    EXPECT_EQ(0, Page());
    EXPECT_EQ(0, frame_->stage());
}

TEST_F(MainFrameTest, HighContrastSwitchedOnShowsTheLogoTheBackgroundCarried) {
    EXPECT_FALSE(Find(L"hclogo")->IsVisible());
    SkinUI::SetHighContrastForTesting(1);
    SendMessageW(Window(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_TRUE(Find(L"hclogo")->IsVisible());
    SkinUI::SetHighContrastForTesting(0);
    SendMessageW(Window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_FALSE(Find(L"hclogo")->IsVisible());
    SkinUI::SetHighContrastForTesting(-1);
}

// Runs last: it downloads through the window's own downloader and progress thread.
TEST_F(MainFrameTest, PauseBetweenDownloadAttemptsHoldsAndTheTextsStayUntilResume) {
    // The first length probe is refused; the pause comes while the download waits to try
    // again, when no transfer is running.
    TestServer::Fault(kPackagePath, "answer=503&answer_to=head&answer_times=1&rate=2000000");
    char programs[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAM_FILES, FALSE);
    const std::string package = std::string(programs) + "\\Velmora Installer\\release\\Setup.exe";
    DeleteFileA(package.c_str());  // left by an earlier run in this prefix
    frame_->startDownload();
    frame_->ShowStage(1);
    ASSERT_TRUE(PumpUntil([] { return CountRequests("HEAD", kPackagePath) == 1; }, 30000));
    frame_->TogglePause();
    EXPECT_EQ(L"Resume", Find(L"pausebtn")->GetText());
    EXPECT_EQ(L"Paused", Find(L"status")->GetText());
    // Several of the progress thread's refreshes, and past the wait before the next attempt.
    PumpFor(3500);
    EXPECT_EQ(L"Resume", Find(L"pausebtn")->GetText());
    EXPECT_EQ(L"Paused", Find(L"status")->GetText());
    EXPECT_EQ(L"-- / --", Find(L"downladspeed")->GetText());
    EXPECT_EQ(1, CountRequests("HEAD", kPackagePath));
    EXPECT_EQ(0, CountRequests("GET", kPackagePath));

    frame_->TogglePause();
    EXPECT_EQ(L"Pause", Find(L"pausebtn")->GetText());
    EXPECT_EQ(L"Downloading...", Find(L"status")->GetText());
    // The package is not a real setup program: the run fails and the result page shows.
    ASSERT_TRUE(PumpUntil([] { return frame_->stage() == 3; }, 120000));
    EXPECT_EQ(1, CountRequests("GET", kPackagePath));
    // However the seconds fell, each percent step went out once.
    EXPECT_EQ(1, CountSteps("Percent2"));
    EXPECT_EQ(1, CountSteps("Percent50"));
    EXPECT_EQ(1, CountSteps("SetupDownloaded"));
    EXPECT_EQ(1, CountSteps("SetupFailed"));
}

namespace {
struct PromptSeen {
    int shown = 0;
    HWND box = nullptr;
    HWND owner = nullptr;
    bool windowEnabledUnderIt = true;
    bool secondCloseReturned = false;
};
PromptSeen g_prompt;
HWND g_frameWindow = nullptr;

// Runs inside the prompt's modal loop: a second close of the window must open nothing, and the
// prompt is then closed.
void CALLBACK LookAtPrompt(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_prompt.owner = GetWindow(g_prompt.box, GW_OWNER);
    g_prompt.windowEnabledUnderIt = IsWindowEnabled(g_frameWindow) != FALSE;
    SendMessageW(g_frameWindow, WM_CLOSE, 0, 0);
    g_prompt.secondCloseReturned = true;
    PostMessageW(g_prompt.box, WM_CLOSE, 1, 0);
}
}  // namespace

TEST_F(MainFrameTest, TheClosePromptDisablesTheWindowUnderItAndOnlyOneOpensAtATime) {
    g_frameWindow = Window();
    CMsgBox::onShow = [](CMsgBox& box) {
        if (++g_prompt.shown > 1) {
            PostMessageW(box.GetHWND(), WM_CLOSE, 1, 0);  // a second prompt: answered at once
            return;
        }
        g_prompt.box = box.GetHWND();
        SetTimer(nullptr, 0, 100, LookAtPrompt);
    };
    Click(Centre(L"closebtn"));  // as Esc does
    CMsgBox::onShow = nullptr;
    EXPECT_EQ(1, g_prompt.shown);
    EXPECT_EQ(Window(), g_prompt.owner);
    EXPECT_FALSE(g_prompt.windowEnabledUnderIt);
    EXPECT_TRUE(g_prompt.secondCloseReturned);
    // Answered: the window takes input again.
    EXPECT_TRUE(IsWindowEnabled(Window()));
    EXPECT_TRUE(IsWindowVisible(Window()));
}
