#include "download/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "download/running_digest.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

TEST(Md5, Rfc1321Suite) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, GetStringMD5(c.first, std::string(c.first).size())) << c.first;
    }
}

TEST(Md5, IncrementalUpdatesMatchOneShotAcrossBlockBoundaries) {
    std::string data;
    for (int i = 0; i < 1000; ++i) {
        data += static_cast<char>(i * 7 + 3);
    }
    const std::string whole = GetStringMD5(data.data(), data.size());
    for (size_t split : {1u, 55u, 56u, 63u, 64u, 65u, 127u, 999u}) {
        Md5Context ctx;
        Md5Init(ctx);
        Md5Update(ctx, data.data(), split);
        Md5Update(ctx, data.data() + split, data.size() - split);
        unsigned char digest[16];
        Md5Final(ctx, digest);
        EXPECT_EQ(whole, Md5Hex(digest)) << split;
    }
}

TEST(Md5, FilesOfVariousSizes) {
    TempDir dir("md5");
    WriteFileBytes(dir.file("empty"), "");
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", GetFileMD5(dir.file("empty").c_str()));

    // Larger than one read, not a multiple of it; CR LF bytes stay as they are (binary read).
    std::string big;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i) {
        big += static_cast<char>((i * 31) ^ (i >> 8));
    }
    big += "\r\n\x1a tail";
    WriteFileBytes(dir.file("big.bin"), big);
    EXPECT_EQ(GetStringMD5(big.data(), big.size()), GetFileMD5(dir.file("big.bin").c_str()));
}

TEST(Md5, MissingFileGivesEmptyTextAndOneErrorLine) {
    LogCapture log;
    TempDir dir("md5missing");
    const std::string path = dir.file("nothing.exe");
    EXPECT_EQ("", GetFileMD5(path.c_str()));
    EXPECT_EQ(1, log.countExact("fopen(" + path + ") error, code=2", "E/")) << log.dump();
    EXPECT_EQ(1u, log.lines().size());
    EXPECT_NE(std::string::npos, log.lines()[0].find("E/MD5 -- "));
}

// The digest computed on a helper thread from copies, while the caller goes on: pieces of every
// size, across and exactly at the helper's buffer boundaries and through more buffers than it
// has, must give the digest of the whole; a reset in between starts from nothing again.
TEST(RunningDigest, PiecesOfEverySizeGiveTheDigestOfTheWhole) {
    const size_t slot = RunningDigest::kSlotBytes;
    std::string data;
    for (size_t i = 0; i < slot * (RunningDigest::kSlots * 2 + 1) + 123; ++i) {
        data += static_cast<char>((i * 131) ^ (i >> 11));
    }
    const std::string whole = GetStringMD5(data.data(), data.size());
    const std::vector<size_t> patterns = {1, 4096, 65535, slot - 1, slot, slot + 1, 3 * slot};
    for (size_t piece : patterns) {
        RunningDigest digest;
        for (size_t at = 0; at < data.size(); at += piece) {
            digest.Add(data.data() + at, std::min(piece, data.size() - at));
        }
        EXPECT_EQ(whole, digest.Hex()) << "pieces of " << piece;
        // Asking again changes nothing; more bytes after asking are still counted.
        EXPECT_EQ(whole, digest.Hex());
        digest.Add("x", 1);
        const std::string more = data + "x";
        EXPECT_EQ(GetStringMD5(more.data(), more.size()), digest.Hex());
    }
    RunningDigest restarted;
    restarted.Add(data.data(), slot * 3 + 5);
    restarted.Reset();
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", restarted.Hex());
    restarted.Add(data.data(), data.size());
    EXPECT_EQ(whole, restarted.Hex());
}
