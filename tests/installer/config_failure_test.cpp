// What a prompt is told about a failed configuration fetch: a silent run ends with a different
// code for a host that gave no usable answer and for an answer that was refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/config_channel.h"
#include "installer/install_settings.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_server.h"

namespace {
const char kPath[] = "/update/win/kelto/VLMU.ini";
const char kGood[] = "[full]\naddress=x/Setup.exe\nchecksum=0123abcd\n";

struct GaveUp {};

// The kind of the first failure with this answer (the prompt then gives up).
ConfigFailure FailureOf(const std::string& url) {
    std::vector<ConfigFailure> told;
    try {
        InstallSettings settings(url, InstallSettings::FailurePrompt([&](ConfigFailure f) {
                                     told.push_back(f);
                                     throw GaveUp();
                                 }),
                                 std::string(), SelectedChannel());
    } catch (const GaveUp&) {
    }
    EXPECT_EQ(1u, told.size()) << url;
    return told.empty() ? ConfigFailure::Unreachable : told[0];
}

void Serve(const std::string& body, int status = 200) {
    TestServer::Control("config?path=" + UrlEncode(kPath) + "&status=" + std::to_string(status),
                        body, true);
}
}  // namespace

TEST(ConfigFailure, NoUsableAnswerIsUnreachableARefusedAnswerIsRefused) {
    ASSERT_FALSE(TestServer::BaseUrl().empty());
    TestServer::Reset();
    LogCapture log;
    const std::string url = TestServer::Url(kPath);
    EXPECT_EQ(ConfigFailure::Unreachable, FailureOf("http://127.0.0.1:1/VLMU.ini"));
    EXPECT_EQ(ConfigFailure::Unreachable, FailureOf(TestServer::Url("/update/missing.ini")));
    // An error page: the host is there but does not serve the configuration now.
    Serve("<html>Service Unavailable</html>", 503);
    EXPECT_EQ(ConfigFailure::Unreachable, FailureOf(url));
    Serve("<html>maintenance</html>");
    EXPECT_EQ(ConfigFailure::Refused, FailureOf(url));
    Serve("[full]\naddress=x/Setup.exe\naddress=y/Setup.exe\nchecksum=1\n");
    EXPECT_EQ(ConfigFailure::Refused, FailureOf(url));
    Serve("[full]\naddress=x/Other.exe\nchecksum=1\n");
    EXPECT_EQ(ConfigFailure::Refused, FailureOf(url));
    // A prompt that ignores the reason (the window's box) is not asked after a good answer.
    Serve(kGood);
    int prompts = 0;
    InstallSettings settings(url, [&](ConfigFailure) { ++prompts; });
    EXPECT_EQ(0, prompts);
    EXPECT_EQ(1u, settings.packages().size());
}
