#include <gtest/gtest.h>

#include <string>

#include "report/interval_clock.h"
#include "report/percent_encode.h"
#include "report/report_sign.h"
#include "report/speed_report.h"
#include "report/step_report.h"

TEST(ReportText, IntervalBreakdown) {
    EXPECT_EQ("0:1:15", FormatInterval(75));
    EXPECT_EQ("0:0:0", FormatInterval(0));
    EXPECT_EQ("1:0:0", FormatInterval(25 * 3600));  // whole days are dropped
    EXPECT_EQ("23:59:59", FormatInterval(86399));
    EXPECT_EQ("", FormatInterval(-1));
    EXPECT_EQ("", GetIntervalText(2));
}

TEST(ReportText, PercentEncoding) {
    EXPECT_EQ("Intel%28R%29%20Core%28TM%29%20i7", PercentEncodeUrl("Intel(R) Core(TM) i7"));
    EXPECT_EQ("%2C%2B%25%40%23%22%27", PercentEncodeUrl(",+%@#\"'"));
    const std::string kept = "http://h.example/q.php?a=B9&c=d_e-f~g.h:2016:05:03_14:07:09";
    EXPECT_EQ(kept, PercentEncodeUrl(kept));
    // Bytes of a multi-byte code page and control bytes are encoded one by one.
    EXPECT_EQ("%D6%D0%0D%0A%00", PercentEncodeUrl(std::string("\xD6\xD0\r\n\0", 5)));
    EXPECT_EQ("", PercentEncodeUrl(""));
}

TEST(ReportText, SignIsMd5OfNumberAndKey) {
    EXPECT_EQ("de74fcbdd4a612fb5d2482e4a2dbfa7a", MakeSign(12345));
    EXPECT_EQ("a923875e71f07260eb1318e1561db85f", MakeSign(0));
    EXPECT_EQ(32u, MakeSign(32767).size());
    const int number = DrawReportNumber();
    EXPECT_GE(number, 0);
    EXPECT_LE(number, 32767);
}

TEST(ReportText, QueryHoldsTwentyKeysInOrder) {
    ReportProfile p;
    p.osName = "Windows 7";
    p.osVersion = "6.1.7601";
    p.cpuName = "Intel(R) Core(TM) i7";
    p.cpuCount = "8";
    p.memory = "8093";
    p.gpu = "";
    p.gpuDriver = "";
    p.mac = "ERRORGETMAC";
    p.diskSerial = "WD-WCC4E1234567";
    p.machineGuid = "6f8d7a1e-0000-4000-8000-123456789abc";
    p.localTime = "2016:05:03_14:07:09";
    const std::string url =
        ComposeReportUrl("http://r.example/qzadmin/operate.php", p, 12345, GetStepName(9), "");
    EXPECT_EQ(
        "http://r.example/qzadmin/operate.php?sys=Windows 7&type=0&sysver=6.1.7601"
        "&name=Installer&version=InstallerVersion&cpudes=Intel(R) Core(TM) i7&cpu=8"
        "&memory=8093&gpu=&gpudriver=&vt=-1&sign=de74fcbdd4a612fb5d2482e4a2dbfa7a&rand=12345"
        "&mac=ERRORGETMAC&hdsn=WD-WCC4E1234567&guid=6f8d7a1e-0000-4000-8000-123456789abc"
        "&step=&interval=&channel=000000238&time=2016:05:03_14:07:09",
        url);
}

TEST(ReportText, SpeedArithmetic) {
    EXPECT_EQ(9309, ComputeSpeedKiB(104857600.0, 11));
    EXPECT_EQ(0, ComputeSpeedKiB(1023.0, 1));
    EXPECT_EQ(1, ComputeSpeedKiB(2048.0, 2));
    // Out-of-range inputs stay defined instead of overflowing the conversion.
    EXPECT_EQ(2097151, ComputeSpeedKiB(1e300, 2));
    EXPECT_EQ(0, ComputeSpeedKiB(-5000.0, 2));
    EXPECT_EQ(-1, ComputeSpeedKiB(5000.0, 0));
    EXPECT_EQ(
        "http://s.example/qzadmin/down_speed.php?sign=de74fcbdd4a612fb5d2482e4a2dbfa7a"
        "&type=win&rand=12345&channel=000000238&mac=52:54:00:12:34:56&speed=9309",
        ComposeSpeedReportUrl("http://s.example/qzadmin/down_speed.php", 12345, "52:54:00:12:34:56",
                              9309));
}
