#include "app/channel.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {
std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}
}  // namespace

TEST(Channel, FileHoldsExactlyTheNineDigits) {
    TempDir dir("channel_new");
    EXPECT_TRUE(WriteChannelFile(Wide(dir.path())));
    EXPECT_EQ("000000238", ReadFileBytes(dir.file("channel.dat")));
}

TEST(Channel, LongerFileIsTruncated) {
    TempDir dir("channel_long");
    WriteFileBytes(dir.file("channel.dat"), "999999999 and some more text\r\n");
    EXPECT_TRUE(WriteChannelFile(Wide(dir.path())));
    EXPECT_EQ(9, FileSize(dir.file("channel.dat")));
    EXPECT_EQ("000000238", ReadFileBytes(dir.file("channel.dat")));
}

TEST(Channel, UnwritablePlaceLeavesNothingAndLogsNothing) {
    TempDir dir("channel_blocked");
    LogCapture log;
    // A folder that does not exist.
    EXPECT_FALSE(WriteChannelFile(Wide(dir.file("missing"))));
    EXPECT_FALSE(FileExists(dir.file("missing\\channel.dat")));
    // A folder where channel.dat is itself a folder.
    ASSERT_TRUE(CreateDirectoryA(dir.file("channel.dat").c_str(), nullptr));
    EXPECT_FALSE(WriteChannelFile(Wide(dir.path())));
    EXPECT_TRUE(log.lines().empty()) << log.dump();
}
