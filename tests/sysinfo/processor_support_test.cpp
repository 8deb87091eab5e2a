#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "sysinfo/processor.h"
#include "sysinfo/processor_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

const char kFile[] = "AmdSupport.txt";
const wchar_t kRyzen[] = L"AMD Ryzen 5 1600 Six-Core Processor";

class ProcessorSupport : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(kFile); }
    void TearDown() override { DeleteFileA(kFile); }
};

}  // namespace

TEST(TextHelpers, ContainsText) {
    EXPECT_TRUE(ContainsText(L"  fx ", L"AMD FX(tm)-8350 Eight-Core Processor", false));
    EXPECT_FALSE(ContainsText(L"fx", L"AMD FX(tm)-8350 Eight-Core Processor", true));
    EXPECT_TRUE(ContainsText(L"AMD", L"AMD FX", true));
    EXPECT_FALSE(ContainsText(L"AMD", L"amd fx", true));
    EXPECT_TRUE(ContainsText(L"", L"anything", true));
    EXPECT_TRUE(ContainsText(L"   ", L"", false));
    EXPECT_FALSE(ContainsText(L"x", L"", false));
}

TEST(TextHelpers, SplitTextKeepsSeparators) {
    EXPECT_EQ((std::vector<std::wstring>{L"A10 ", L"6800K"}), SplitText(L"A10 6800K", L' '));
    EXPECT_EQ((std::vector<std::wstring>{L"a\n", L"b\n", L""}), SplitText(L"a\nb\n", L'\n'));
    EXPECT_EQ((std::vector<std::wstring>{L"2585"}), SplitText(L"2585", L' '));
    EXPECT_EQ((std::vector<std::wstring>{L"A8 ", L" ", L"7600"}), SplitText(L"A8  7600", L' '));
    EXPECT_EQ((std::vector<std::wstring>{L""}), SplitText(L"", L' '));
}

TEST(TextHelpers, ExtraModelLinesAreTrimmedAndBlankLinesDropped) {
    EXPECT_EQ((std::vector<std::wstring>{L"A8 7600", L"Ryzen 5 1600"}),
              ParseExtraModels(L"   A8 7600  \r\n   \r\n\nRyzen 5 1600\r\n"));
    EXPECT_TRUE(ParseExtraModels(L"").empty());
    EXPECT_TRUE(ParseExtraModels(L" \r \r\n").empty());
    // CR and blanks mixed at the end need more than one pass.
    EXPECT_EQ((std::vector<std::wstring>{L"X"}), ParseExtraModels(L"X \r \r"));
}

TEST_F(ProcessorSupport, BuiltInList) {
    const std::vector<std::wstring>& models = BuiltInSupportedModels();
    ASSERT_EQ(58u, models.size());
    EXPECT_EQ(L"fx 3150", models.front());
    EXPECT_EQ(L"A8 7600", models.back());
    EXPECT_EQ(L"2585", models[55]);
    EXPECT_EQ(L"a8 4500", models[56]);
    EXPECT_EQ(models, BuildSupportedModelList());
}

TEST_F(ProcessorSupport, NamesWithoutUpperCaseAmdAlwaysPass) {
    EXPECT_TRUE(IsProcessorNameSupported(L"Intel(R) Core(TM) i7-4770 CPU @ 3.40GHz"));
    EXPECT_TRUE(IsProcessorNameSupported(L"amd ryzen 5 1600 six-core processor"));
    EXPECT_TRUE(IsProcessorNameSupported(L""));
}

TEST_F(ProcessorSupport, BuiltInModelsMatchWordByWord) {
    EXPECT_TRUE(IsProcessorNameSupported(L"AMD A10-6800K APU with Radeon(tm) HD Graphics"));
    EXPECT_TRUE(IsProcessorNameSupported(L"AMD FX(tm)-8350 Eight-Core Processor"));
    EXPECT_TRUE(IsProcessorNameSupported(L"AMD Phenom(tm) II X4 B97 2585 Processor"));
    EXPECT_FALSE(IsProcessorNameSupported(kRyzen));
    EXPECT_FALSE(IsProcessorNameSupported(L"AMD EPYC 7B13 64-Core Processor"));
}

TEST_F(ProcessorSupport, ExtraModelsFileAddsEntries) {
    WriteFileBytes(kFile, "Threadripper\r\n   \r\n   Ryzen 5 1600  \r\n");
    EXPECT_EQ(L"Threadripper", BuildSupportedModelList().front());
    EXPECT_EQ(60u, BuildSupportedModelList().size());
    EXPECT_TRUE(IsProcessorNameSupported(kRyzen));
    EXPECT_FALSE(IsProcessorNameSupported(L"AMD Ryzen 7 1700 Eight-Core Processor"));
    // The file is read again at every check.
    DeleteFileA(kFile);
    EXPECT_FALSE(IsProcessorNameSupported(kRyzen));
}

TEST_F(ProcessorSupport, FileLineWithBlanksAndCarriageReturn) {
    WriteFileBytes(kFile, "   A8 7600  \r\n    \n");
    const std::vector<std::wstring> list = BuildSupportedModelList();
    ASSERT_EQ(59u, list.size());
    EXPECT_EQ(L"A8 7600", list.front());
}

TEST_F(ProcessorSupport, OversizedFileIsIgnoredWithALogLine) {
    std::string big(2 << 20, 'x');
    big += "\nRyzen 5 1600\n";
    WriteFileBytes(kFile, big);
    LogCapture log;
    EXPECT_FALSE(IsProcessorNameSupported(kRyzen));
    EXPECT_EQ(1, log.countStartingWith("AmdSupport.txt ignored", "W/"));
}

TEST_F(ProcessorSupport, ThisMachineIsCheckedByItsRegistryName) {
    EXPECT_EQ(IsProcessorNameSupported(GetProcessorName()), IsProcessorSupported());
}
