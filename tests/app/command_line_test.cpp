#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, NoSwitchesIsAnInteractiveRun) {
    for (const wchar_t* line : {L"VelmoraInstaller.exe", L"\"C:\\My Downloads\\Velmora.exe\"",
                                L"\"C:\\My Downloads\\Velmora.exe\"   ", L""}) {
        const CommandLine c = ParseCommandLine(line);
        EXPECT_TRUE(c.ok) << line;
        EXPECT_FALSE(c.any()) << line;
    }
}

TEST(CommandLine, SwitchesInEitherCaseAndWithSlashOrDash) {
    for (const wchar_t* s : {L"/S", L"/s", L"-S", L"-s"}) {
        const CommandLine c = ParseSwitches(s);
        EXPECT_TRUE(c.ok && c.silent) << s;
    }
    for (const wchar_t* s : {L"/?", L"-?", L"/help", L"/HELP", L"-Help"}) {
        const CommandLine c = ParseSwitches(s);
        EXPECT_TRUE(c.ok && c.usage && !c.silent) << s;
    }
    const CommandLine log = ParseSwitches(L"-log=C:\\logs\\setup.log /s");
    EXPECT_TRUE(log.ok);
    EXPECT_TRUE(log.silent);
    EXPECT_EQ(L"C:\\logs\\setup.log", log.logPath);
    const CommandLine quotedLog = ParseSwitches(L"/LOG=\"C:\\My logs\\setup.log\" /S");
    EXPECT_TRUE(quotedLog.ok);
    EXPECT_EQ(L"C:\\My logs\\setup.log", quotedLog.logPath);
    EXPECT_TRUE(quotedLog.silent);
}

TEST(CommandLine, FolderIsTheRestOfTheLineAsSetupPackagesTakeIt) {
    const CommandLine c =
        ParseCommandLine(L"\"C:\\dl\\VelmoraInstaller.exe\" /S /d=C:\\Program Files\\My Apps  ");
    EXPECT_TRUE(c.ok);
    EXPECT_TRUE(c.silent);
    ASSERT_TRUE(c.hasFolder);
    EXPECT_EQ(L"C:\\Program Files\\My Apps", c.folder);
    // What follows /D= belongs to the folder, switch-like words included.
    const CommandLine inner = ParseSwitches(L"/D=C:\\a /S b");
    EXPECT_EQ(L"C:\\a /S b", inner.folder);
    // ... but /S as a word anywhere still makes the run silent (the folder check refuses it).
    EXPECT_TRUE(inner.silent);
    // A launcher that quotes arguments with blanks quotes the whole switch.
    const CommandLine quoted = ParseSwitches(L"-S \"/D=C:\\My Apps\"");
    EXPECT_TRUE(quoted.ok);
    EXPECT_EQ(L"C:\\My Apps", quoted.folder);
    // Inside the folder a quote stays: the folder check refuses it later.
    EXPECT_EQ(L"\"C:\\My Apps\"", ParseSwitches(L"/D=\"C:\\My Apps\"").folder);
}

TEST(CommandLine, FaultsKeepWhatWasReadAndNameTheFirst) {
    struct Case {
        const wchar_t* line;
        const wchar_t* error;
        bool silent;
    };
    const Case cases[] = {
        {L"/S /X", L"unknown switch: /X", true},
        {L"/quiet /S", L"unknown switch: /quiet", true},
        {L"/S/D=C:\\x", L"unknown switch: /S/D=C:\\x", false},
        {L"/Dir=C:\\x", L"unknown switch: /Dir=C:\\x", false},
        {L"C:\\folder", L"unknown switch: C:\\folder", false},
        {L"/S /D=C:\\a /D=C:\\b", L"/D= given twice", true},
        {L"/D=C:\\a -d=C:\\b", L"/D= given twice", false},
        {L"/S /D=   ", L"/D= without a folder", true},
        {L"/LOG= /S", L"/LOG= without a file", true},
        {L"/LOG=a.log /LOG=b.log", L"/LOG= given twice", false},
        // /S after /D= is the administrator's mistake: named, and the run is silent all the same.
        {L"/D=C:\\Apps /S",
         L"/D= takes the rest of the line, so /S after it became part of the "
         L"folder: put /S before /D=",
         true},
        {L"/D=C:\\Apps\t-s",
         L"/D= takes the rest of the line, so /S after it became part of the "
         L"folder: put /S before /D=",
         true},
        {L"/X \"/s\"", L"unknown switch: /X", true},
    };
    for (const Case& c : cases) {
        const CommandLine parsed = ParseSwitches(c.line);
        EXPECT_FALSE(parsed.ok) << c.line;
        EXPECT_EQ(c.error, parsed.error) << c.line;
        EXPECT_EQ(c.silent, parsed.silent) << c.line;
        EXPECT_TRUE(parsed.any()) << c.line;
    }
    // The log asked for is kept when another switch is bad, so the fault is written there.
    EXPECT_EQ(L"C:\\x.log", ParseSwitches(L"/X /LOG=C:\\x.log").logPath);
    EXPECT_EQ(L"C:\\x.log", ParseSwitches(L"/LOG=C:\\x.log /D=C:\\a /S").logPath);
}

}  // namespace
