// The downloader's folders in the double-byte code pages of Chinese (936) and Japanese (932)
// Windows, where the second byte of a character may be 0x5C, the byte of '\'. CTest runs these
// under LC_ALL=zh_CN.UTF-8 and ja_JP.UTF-8; in other code pages they are skipped.
#include "tests/download/downloader_fixture.h"

#include <set>

namespace {
// 'x' and the character 0x95 0x5C: U+661E in code page 936, U+8868 in code page 932.
const char kName[] = "x\x95\\";

// Names in a folder, as the narrow file functions give them.
std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") {
            names.insert(name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

class DoubleBytePaths : public DownloaderTest {
protected:
    void SetUp() override {
        char expected[16] = "";
        if (GetEnvironmentVariableA("VELMORA_EXPECT_ACP", expected, sizeof expected) > 0) {
            ASSERT_EQ(std::to_string(GetACP()), expected)
                << "Wine did not start in the expected code page: is the locale generated?";
        } else if (GetACP() != 936 && GetACP() != 932) {
            GTEST_SKIP() << "code page " << GetACP() << " has no such characters";
        }
        DownloaderTest::SetUp();
    }
};
}  // namespace

TEST_F(DoubleBytePaths, FoldersEndingInA0x5CTrailByteAreMadeWholeAndHoldThePackage) {
    const std::string md5 = TestServer::DefinePackage("/pkg/Setup.exe", 300000, 41);
    // Such a character inside the path (a profile folder) and at its very end.
    const std::string folder = Folder() + "\\" + kName + "\\VLInst\\" + kName;
    auto d = NewDownloader(MakeWork(TestServer::Url("/pkg/Setup.exe"), folder, md5));
    ASSERT_EQ(1, d->GetWorkCount()) << log_.dump();
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5((folder + "\\Setup.exe").c_str()));
    DownloadInfo info;
    d->GetDownloadInfo(&info);
    EXPECT_EQ(folder + "\\Setup.exe", std::string(info.savePath));
    // No folder was made from the first half of a character.
    EXPECT_EQ(std::set<std::string>{kName}, NamesIn(Folder()));
    EXPECT_EQ(std::set<std::string>{"VLInst"}, NamesIn(Folder() + "\\" + kName));
    EXPECT_EQ(std::set<std::string>{kName}, NamesIn(Folder() + "\\" + kName + "\\VLInst"));
}

TEST_F(DoubleBytePaths, AFileNameEndingInSuchACharacterIsAFileNotAFolder) {
    const std::string md5 = TestServer::DefinePackage("/pkg/Setup.exe", 1000, 42);
    const std::string file = Folder() + "\\pkg.x\x95\\";
    auto d = NewDownloader(MakeWork(TestServer::Url("/pkg/Setup.exe"), file, md5));
    RunToEnd(*d);
    EXPECT_EQ(md5, GetFileMD5(file.c_str()));
    EXPECT_EQ((std::set<std::string>{"pkg.x\x95\\", "pkg.x\x95\\.cfg"}), NamesIn(Folder()));
}
