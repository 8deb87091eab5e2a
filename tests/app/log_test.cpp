#include "app/log.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/log_capture.h"

TEST(Log, PrefixIsZeroFilledTimeAndIds) {
    std::tm t{};
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ("09:05:03[4120.3304] ", FormatLogPrefix(t, 4120, 3304));
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    EXPECT_EQ("23:59:59[0.4294967295] ", FormatLogPrefix(t, 0, 4294967295u));
}

TEST(Log, LineHasPrefixLevelTagAndMessage) {
    LogCapture log;
    LogT("InstallSettings", "init()");
    LogD("CMainFrame", "exit code=", 0);
    LogI("CTinyDownload", "current index=", 1, ", total=", 2);
    LogW("CMsgBox", "");
    LogE("Request", "checkResult code=", 7);
    std::vector<std::string> lines = log.lines();
    ASSERT_EQ(5u, lines.size());
    const std::string ids = "\\[" + std::to_string(GetCurrentProcessId()) + "\\." +
                            std::to_string(GetCurrentThreadId()) + "\\] ";
    EXPECT_TRUE(std::regex_match(
        lines[0], std::regex("\\d\\d:\\d\\d:\\d\\d" + ids + "T/InstallSettings -- init\\(\\)")))
        << lines[0];
    EXPECT_NE(std::string::npos, lines[1].find("] D/CMainFrame -- exit code=0"));
    EXPECT_NE(std::string::npos, lines[2].find("] I/CTinyDownload -- current index=1, total=2"));
    // An empty message still writes the separator.
    EXPECT_EQ(" W/CMsgBox -- ", lines[3].substr(lines[3].find(']') + 1));
    EXPECT_NE(std::string::npos, lines[4].find("] E/Request -- checkResult code=7"));
}

TEST(Log, LinesFromSeveralThreadsNeverInterleave) {
    LogCapture log;
    const int kThreads = 4, kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string payload(200, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) {
                LogT("Worker", payload, "#", i);
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    std::vector<std::string> lines = log.lines();
    ASSERT_EQ(static_cast<size_t>(kThreads * kLines), lines.size());
    std::regex shape("\\d\\d:\\d\\d:\\d\\d\\[\\d+\\.\\d+\\] T/Worker -- ([a-d])\\1{199}#\\d+");
    for (const std::string& line : lines) {
        ASSERT_TRUE(std::regex_match(line, shape)) << line;
    }
}
