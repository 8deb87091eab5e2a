// The pure parts of the install flow: progress numbers and texts, the package command line,
// running a process, and the animation thread's messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "download/tiny_download.h"
#include "installer/install_command.h"
#include "installer/install_flow.h"
#include "installer/progress_texts.h"
#include "tests/support/log_capture.h"

namespace {
DownloadInfo Info(uint64_t resumeFrom, double received, double total) {
    DownloadInfo info;
    std::memset(&info, 0, sizeof(info));
    info.resumeFrom = resumeFrom;
    info.received = received;
    info.totalLength = total;
    return info;
}
}  // namespace

TEST(ProgressTexts, SpeedTextsSwitchToMegabytesAboveOneMebibyte) {
    EXPECT_EQ(L"2.0MB/s", FormatSpeedText(2 * 1048576));
    EXPECT_EQ(L"500KB/s", FormatSpeedText(500 * 1024));
    EXPECT_EQ(L"1024KB/s", FormatSpeedText(1048576));
    EXPECT_EQ(L"1.0MB/s", FormatSpeedText(1048577));
    EXPECT_EQ(L"0KB/s", FormatSpeedText(0));
    EXPECT_EQ(L"3%", PercentText(3));
    EXPECT_EQ(L"100%", PercentText(100));
}

TEST(ProgressTexts, SpeedIsTheMeanOfTheLastFiveGrowthsLeavingOutRestarts) {
    SpeedSamples samples;
    EXPECT_EQ(0u, samples.Average());
    for (double d : {1000.0, 2000.0, 3000.0, 4000.0, 5000.0}) {
        samples.Add(d);
    }
    EXPECT_EQ(3000u, samples.Average());
    samples.Add(11000.0);  // the 1000 drops out
    EXPECT_EQ(5u, samples.size());
    EXPECT_EQ(5000u, samples.Average());
    samples.Add(-70000.0);  // a new attempt started from 0: not a speed
    EXPECT_EQ(5000u, samples.Average());
    SpeedSamples odd;
    odd.Add(1.0);
    odd.Add(2.0);
    EXPECT_EQ(1u, odd.Average());  // integer division
    SpeedSamples fast;
    for (int i = 0; i < 5; ++i) {
        fast.Add(3.9e9);  // five near-4 GB seconds do not wrap the sum
    }
    EXPECT_EQ(3900000000u, fast.Average());
}

TEST(ProgressTexts, DownloadFillsSeventyPercentIncludingTheResumedPart) {
    EXPECT_EQ(0u, DownloadBarValue(Info(0, 0, 1000)));
    EXPECT_EQ(35u, DownloadBarValue(Info(0, 500, 1000)));
    // A resumed transfer starts at the resumed fraction, not at 0.
    EXPECT_EQ(35u, DownloadBarValue(Info(500, 0, 1000)));
    EXPECT_EQ(35, DownloadPercent(Info(500, 0, 1000)));
    EXPECT_EQ(70u, DownloadBarValue(Info(400, 600, 1000)));
    EXPECT_EQ(70, DownloadPercent(Info(400, 600, 1000)));
    EXPECT_EQ(2, DownloadPercent(Info(0, 3, 100)));    // 2.1 truncated
    EXPECT_EQ(49, DownloadPercent(Info(0, 71, 100)));  // 49.7 truncated
    // Unknown length (failed probe) or a record not filled yet: nothing, not a wild value.
    EXPECT_EQ(0u, DownloadBarValue(Info(0, 500, -1)));
    EXPECT_EQ(0, DownloadPercent(Info(0, 500, -1)));
    EXPECT_EQ(0u, DownloadBarValue(Info(0, 0, 0)));
    EXPECT_EQ(0, DownloadPercent(Info(0, 0, 0)));
    // More bytes than announced never passes the download's share.
    EXPECT_EQ(70u, DownloadBarValue(Info(0, 5000, 1000)));
    EXPECT_EQ(70, DownloadPercent(Info(0, 5000, 1000)));
}

TEST(InstallCommand, TargetFolderEndsInVelmoraWithoutDoubledSeparator) {
    const std::wstring setup = L"C:\\Data\\Setup.exe";
    InstallTarget games = MakeInstallTarget(setup, L"D:\\Games");
    EXPECT_EQ(L"\"C:\\Data\\Setup.exe\" /S /D=D:\\Games\\Velmora\\", games.commandLine);
    EXPECT_EQ(L"D:\\Games\\Velmora\\", games.installDir);
    EXPECT_EQ(L"D:\\Games\\Velmora\\Velmora.exe", games.programPath);
    InstallTarget root = MakeInstallTarget(setup, L"D:\\");
    EXPECT_EQ(L"\"C:\\Data\\Setup.exe\" /S /D=D:\\Velmora\\", root.commandLine);
    EXPECT_EQ(L"D:\\Velmora\\Velmora.exe", root.programPath);
    InstallTarget empty = MakeInstallTarget(setup, L"");
    EXPECT_EQ(L"\"C:\\Data\\Setup.exe\" /S /D=\\Velmora\\", empty.commandLine);
    InstallTarget spaces = MakeInstallTarget(setup, L"C:\\Program Files (x86)");
    EXPECT_EQ(L"\"C:\\Data\\Setup.exe\" /S /D=C:\\Program Files (x86)\\Velmora\\",
              spaces.commandLine);
}

TEST(InstallCommand, RunProcessIsTrueOnlyForAStartedProcessEndingWithZero) {
    LogCapture log;
    EXPECT_TRUE(RunProcess(L"cmd.exe /c exit 0", true));
    EXPECT_FALSE(RunProcess(L"cmd.exe /c exit 3", true));
    EXPECT_EQ(1, log.countExact("cmd.exe /c exit 3 return 3", "D/")) << log.dump();
    EXPECT_FALSE(RunProcess(L"\"C:\\no such folder\\Setup.exe\" /S", true));
    EXPECT_EQ(1, log.countStartingWith("CreateProcess error! code=", "E/")) << log.dump();
    EXPECT_FALSE(RunProcess(L"", true));
    // Not waiting: the process is still running, which is not a success.
    EXPECT_FALSE(RunProcess(L"cmd.exe /c ping -n 3 127.0.0.1", false));
}

TEST(InstallCommand, PackageCodesForARestartAreAnInstallAndAnUnreadCodeIsAFailure) {
    LogCapture log;
    const ProcessRun restart = RunProcessToEnd(L"cmd.exe /c exit 3010", true);
    EXPECT_TRUE(restart.codeRead);
    EXPECT_EQ(PackageOutcome::SucceededRestartNeeded, PackageOutcomeOf(restart));
    EXPECT_EQ(PackageOutcome::SucceededRestartNeeded,
              PackageOutcomeOf(RunProcessToEnd(L"cmd.exe /c exit 1641", true)));
    EXPECT_EQ(PackageOutcome::Succeeded,
              PackageOutcomeOf(RunProcessToEnd(L"cmd.exe /c exit 0", true)));
    EXPECT_EQ(PackageOutcome::Failed,
              PackageOutcomeOf(RunProcessToEnd(L"cmd.exe /c exit 3011", true)));
    EXPECT_EQ(PackageOutcome::Failed, PackageOutcomeOf(RunProcessToEnd(L"", true)));
    // A process handle that may only be waited for: its exit code cannot be read, and that is
    // no success even though the process ended with 0.
    std::vector<wchar_t> line(L"cmd.exe /c exit 0", L"cmd.exe /c exit 0" + 18);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    HANDLE waitOnly = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(), &waitOnly,
                                SYNCHRONIZE, FALSE, 0));
    CloseHandle(info.hProcess);
    const ProcessRun unread = ReadProcessEnd(waitOnly, true);
    CloseHandle(waitOnly);
    EXPECT_TRUE(unread.ended);
    EXPECT_FALSE(unread.codeRead);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), unread.readError);
    EXPECT_FALSE(unread.succeeded());
    EXPECT_EQ(PackageOutcome::Failed, PackageOutcomeOf(unread));
}

namespace {
// Records what the workers send, on the thread that owns it.
struct Recorder {
    std::vector<std::pair<UINT, std::wstring>> events;
    HWND window = nullptr;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Recorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message >= kMsgSpeedText && message <= kMsgRefreshDownloadTexts) {
            std::wstring text;
            if (message == kMsgSpeedText || message == kMsgProgressText) {
                text = reinterpret_cast<const wchar_t*>(wParam);
            } else if (message == kMsgProgressValue) {
                text = std::to_wstring(wParam);
            }
            self->events.emplace_back(message, text);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    Recorder() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"InstallFlowRecorder";
        RegisterClassW(&wc);
        window = CreateWindowW(L"InstallFlowRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Recorder() { DestroyWindow(window); }
};
}  // namespace

TEST(InstallFlow, ShortPackageRunStillAnimatesFrom71To100ThenShowsTheResult) {
    Recorder recorder;
    for (bool chinese : {false, true}) {
        recorder.events.clear();
        auto job = std::make_shared<InstallJob>();
        job->window = recorder.window;
        job->chinese = chinese;
        job->timing.finishStepMs = 0;
        // The package already returned.
        ASSERT_TRUE(job->state.StartDownload());
        ASSERT_TRUE(job->state.StartInstalling());
        ASSERT_TRUE(job->state.SetOutcome(
            chinese ? PackageOutcome::Failed : PackageOutcome::Succeeded, chinese ? 5 : 0));
        EXPECT_EQ(0u, InstallProgressProc(job));
        std::vector<std::pair<UINT, std::wstring>> expected = {{kMsgProgressValue, L"71"}};
        for (int v = 72; v <= 100; ++v) {
            expected.push_back({kMsgProgressValue, std::to_wstring(v)});
            expected.push_back({kMsgProgressText, std::to_wstring(v) + L"%"});
        }
        expected.push_back({kMsgShowFinished, L""});
        expected.push_back(
            {kMsgProgressText, chinese ? L"安装失败!" : L"Installation successful!"});
        EXPECT_EQ(expected, recorder.events);
        EXPECT_EQ(InstallStage::Finished, job->state.stage());
    }
}
