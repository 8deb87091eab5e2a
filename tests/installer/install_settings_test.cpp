// Install settings against the loopback update server: what makes an attempt fail, what the log
// says, and that the retry prompt is asked until a package entry is known.
#include "installer/install_settings.h"

#include <gtest/gtest.h>

#include "tests/support/log_capture.h"
#include "tests/support/test_server.h"

namespace {
const char kPath[] = "/update/win/kelto/VLMU.ini";
const char kGood[] = "[full]\naddress=x/Setup.exe\nchecksum=0123abcd\n";

class InstallSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty());
        TestServer::Reset();
    }
    static void Serve(const std::string& body, const std::string& options = "") {
        TestServer::Control("config?path=" + UrlEncode(kPath) + options, body, true);
    }
    // Runs the settings with a prompt that serves the good document after `failures` prompts.
    InstallSettings Run(int failures, const std::string& url = TestServer::Url(kPath)) {
        prompts_ = 0;
        return InstallSettings(url, [this, failures](ConfigFailure) {
            if (++prompts_ >= failures) {
                Serve(kGood);
            }
        });
    }
    int prompts_ = 0;
    LogCapture log_;
};
}  // namespace

TEST_F(InstallSettingsTest, GoodDocumentGivesOneEntryAtOnce) {
    Serve(kGood);
    InstallSettings settings = Run(1);
    ASSERT_EQ(1u, settings.packages().size());
    EXPECT_EQ("x/Setup.exe", settings.packages()[0].address);
    EXPECT_EQ("0123abcd", settings.packages()[0].checksum);
    EXPECT_EQ(0, prompts_);
    // A 32-bit Wine prefix: no " (x86)".
    EXPECT_EQ(L"C:\\Program Files", settings.installPath());
    EXPECT_NE(std::wstring::npos, settings.agreementUrl().find(L"/test/xkxy.html"));
    std::vector<std::string> lines = log_.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("T/InstallSettings -- init()", lines[0].substr(lines[0].find("] ") + 2));
    EXPECT_EQ(1, log_.countExact("install path: C:\\Program Files", "T/"));
    EXPECT_EQ(1, log_.countExact("request config from " + TestServer::Url(kPath) + " ...", "T/"));
    EXPECT_EQ(1, log_.countExact("parse ini ...", "T/"));
    EXPECT_EQ(1, log_.countExact("address=x/Setup.exe, md5=0123abcd", "T/"));
    EXPECT_EQ(1, log_.countExact("~init()", "T/"));
}

TEST_F(InstallSettingsTest, ByteOrderMarkAndCrLfParseAlike) {
    Serve(kGood, "&bom=1&crlf=1");
    InstallSettings settings = Run(1);
    ASSERT_EQ(1u, settings.packages().size());
    EXPECT_EQ("x/Setup.exe", settings.packages()[0].address);
    EXPECT_EQ("0123abcd", settings.packages()[0].checksum);
}

TEST_F(InstallSettingsTest, BlankBeforeTheEqualsSignIsNotTheAddressKey) {
    Serve("[full]\naddress = x/Setup.exe\nchecksum=0123abcd\n");
    InstallSettings settings = Run(1);
    EXPECT_EQ(1, prompts_);
    EXPECT_EQ(1, log_.countExact("download address not found!", "W/"));
    EXPECT_EQ(1, log_.countExact("Request download url failed!", "W/"));
    EXPECT_EQ(1, log_.countExact("Request download url failed, re-try.", "I/"));
    ASSERT_EQ(1u, settings.packages().size());
}

TEST_F(InstallSettingsTest, EachKindOfBadAnswerAsksAgain) {
    // The only "[full]" inside a comment passes the format test, then finds nothing.
    Serve("# [full]\nchecksum=1\n");
    Run(1);
    EXPECT_EQ(1, log_.countExact("address=, md5=", "T/"));
    EXPECT_EQ(1, log_.countExact("download address not found!", "W/"));

    // A 404 page is a body without "[full]" (the prompt gives up: the page never changes).
    struct GaveUp {};
    try {
        InstallSettings fromMissing(TestServer::Url("/update/win/kelto/missing.ini"),
                                    [](ConfigFailure) { throw GaveUp(); });
        FAIL() << "a missing page gave a package";
    } catch (const GaveUp&) {
    }
    EXPECT_EQ(1, log_.countStartingWith("response format error! config=<html>", "E/"));

    // A duplicated key is an INI fault, caught.
    Serve("[full]\naddress=x/Setup.exe\naddress=y/Setup.exe\nchecksum=1\n");
    Run(1);
    EXPECT_EQ(1, log_.countExact("catch exception: duplicated key found on line #3", "E/"));

    // An empty checksum is not usable.
    Serve("[full]\naddress=x/Setup.exe\nchecksum=\n");
    Run(1);
    EXPECT_EQ(1, log_.countExact("address=x/Setup.exe, md5=", "T/"));
}

TEST_F(InstallSettingsTest, OverlongDocumentIsAFailedFetch) {
    // A valid entry followed by comment lines up to 70000 bytes: too long to be a
    // configuration, so the prompt is asked, then the plain document is taken.
    Serve(kGood, "&pad=70000");
    InstallSettings settings = Run(1);
    EXPECT_EQ(1, prompts_);
    EXPECT_EQ(1, log_.countExact("response body longer than 65536 bytes, dropped", "E/"));
    EXPECT_EQ(1, log_.countExact("response format error! config=", "E/"));
    EXPECT_EQ(1, log_.countExact("Request download url failed!", "W/"));
    ASSERT_EQ(1u, settings.packages().size());
    EXPECT_EQ("x/Setup.exe", settings.packages()[0].address);
}

TEST_F(InstallSettingsTest, TransportFailureLogsAnEmptyBodyAndRetriesUntilFixed) {
    // Nothing listens on port 1; after three prompts the address is still dead, so the
    // prompt itself gives up by throwing out of the loop (a user would have quit here).
    int prompts = 0;
    struct GaveUp {};
    try {
        InstallSettings settings("http://127.0.0.1:1/update/win/kelto/VLMU.ini",
                                 [&](ConfigFailure) {
                                     if (++prompts == 3) {
                                         throw GaveUp();
                                     }
                                 });
        FAIL() << "no package can come from a dead address";
    } catch (const GaveUp&) {
    }
    EXPECT_EQ(3, prompts);
    EXPECT_EQ(3, log_.countExact("response format error! config=", "E/"));
    EXPECT_EQ(3, log_.countExact("Request download url failed!", "W/"));
    EXPECT_EQ(2, log_.countExact("Request download url failed, re-try.", "I/"));
    EXPECT_EQ(3, log_.countExact("checkResult code=7", "E/"));
}

TEST_F(InstallSettingsTest, InstallSizeIsWholeMebibytesOrUnknown) {
    Serve("[full]\naddress=x/Setup.exe\nchecksum=0123abcd\ninstallsize=2048\n");
    EXPECT_EQ(2048u, Run(1).packages().at(0).installSizeMiB);
    Serve(kGood);
    EXPECT_EQ(0u, Run(1).packages().at(0).installSizeMiB);  // absent: not checked
    // Anything but a whole number from 1 MiB to 1 TiB is unknown, said once, never a failure.
    for (const char* bad : {"0", "-5", "12.5", " 12", "12MB", "1048577", "99999999999999999999"}) {
        SCOPED_TRACE(bad);
        LogCapture log;
        EXPECT_EQ(0u, ParseInstallSize(bad));
        EXPECT_EQ(1, log.countStartingWith(std::string("installsize=") + bad, "W/"));
    }
    EXPECT_EQ(1048576u, ParseInstallSize("1048576"));
    EXPECT_EQ(1u, ParseInstallSize("001"));
}
