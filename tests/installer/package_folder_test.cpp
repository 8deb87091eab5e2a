// The package folder: the security descriptor it is given, the judgement of an existing folder,
// the choice between the protected and the user's folder, and the files kept or cleared; files
// written without following links (hard links here; folder links in the end-to-end tests).
#include "installer/package_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <io.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "app/channel.h"
#include "app/log.h"
#include "app/no_follow.h"
#include "download/locked_file.h"
#include "download/package_file.h"
#include "installer/folder_security.h"
#include "installer/install_command.h"
#include "installer/log_file.h"
#include "installer/package_start.h"
#include "tests/support/limited_thread.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {
std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// A descriptor from its text form, freed at the end.
class TextDescriptor {
public:
    explicit TextDescriptor(const wchar_t* text) {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &sd_, nullptr);
    }
    ~TextDescriptor() { LocalFree(sd_); }
    bool Judge(std::string* why) const {
        PSID owner = nullptr;
        PACL dacl = nullptr;
        BOOL defaulted = FALSE, present = FALSE;
        GetSecurityDescriptorOwner(sd_, &owner, &defaulted);
        GetSecurityDescriptorDacl(sd_, &present, &dacl, &defaulted);
        return SecurityIsAdminOnly(owner, present ? dacl : nullptr, why);
    }

private:
    PSECURITY_DESCRIPTOR sd_ = nullptr;
};

}  // namespace

TEST(FolderSecurity, BuiltDescriptorIsAdministratorsOwnedWithAProtectedTwoEntryDacl) {
    AdminOnlySecurity security;
    ASSERT_TRUE(security.valid());
    PSECURITY_DESCRIPTOR sd = security.descriptor();
    EXPECT_TRUE(IsValidSecurityDescriptor(sd));
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(sd, &owner, &defaulted));
    EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    EXPECT_FALSE(defaulted);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PRESENT);
    EXPECT_TRUE(control & SE_DACL_PROTECTED);  // nothing inherited from the folders above
    EXPECT_FALSE(control & SE_DACL_DEFAULTED);
    PACL dacl = nullptr;
    BOOL present = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(nullptr, dacl);
    ASSERT_EQ(2, dacl->AceCount);
    const WELL_KNOWN_SID_TYPE expected[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    for (DWORD i = 0; i < 2; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &ace));
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, allowed->Header.AceType);
        EXPECT_EQ(static_cast<ACCESS_MASK>(FILE_ALL_ACCESS), allowed->Mask);
        // Passed on to what is created inside, and not itself inherited.
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, allowed->Header.AceFlags);
        EXPECT_TRUE(IsWellKnownSid(&allowed->SidStart, expected[i]));
    }
    std::string why;
    EXPECT_TRUE(SecurityIsAdminOnly(owner, dacl, &why)) << why;
    EXPECT_EQ(sd, security.attributes()->lpSecurityDescriptor);
    EXPECT_FALSE(security.attributes()->bInheritHandle);
}

TEST(FolderSecurity, ExistingFolderIsTrustedOnlyWhenNobodyElseMayWriteOrOwnIt) {
    std::string why;
    EXPECT_TRUE(TextDescriptor(L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)").Judge(&why)) << why;
    EXPECT_TRUE(TextDescriptor(L"O:SYD:(A;;FA;;;BA)(A;OICI;0x1200a9;;;BU)(D;;FA;;;WD)").Judge(&why))
        << "reading and denying entries are harmless: " << why;

    EXPECT_FALSE(TextDescriptor(L"O:BUD:P(A;OICI;FA;;;BA)").Judge(&why));
    EXPECT_NE(std::string::npos, why.find("owned by S-1-5-32-545")) << why;
    EXPECT_FALSE(TextDescriptor(L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;BA)").Judge(&why));
    EXPECT_FALSE(TextDescriptor(L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x2;;;BU)").Judge(&why));
    EXPECT_NE(std::string::npos, why.find("S-1-5-32-545 may write (rights 0x2)")) << why;
    // Only the right to create subfolders, to delete, or over the permissions: all let a user
    // put a link in the path.
    EXPECT_FALSE(TextDescriptor(L"O:BAD:(A;;0x4;;;AU)").Judge(&why));
    EXPECT_FALSE(TextDescriptor(L"O:BAD:(A;;SD;;;WD)").Judge(&why));
    EXPECT_FALSE(TextDescriptor(L"O:BAD:(A;;WD;;;WD)").Judge(&why));
    EXPECT_FALSE(TextDescriptor(L"O:BAD:(A;CIIO;GA;;;CO)").Judge(&why));
    AdminOnlySecurity security;
    EXPECT_FALSE(SecurityIsAdminOnly(security.administrators(), nullptr, &why));
    EXPECT_NE(std::string::npos, why.find("no DACL")) << why;
}

TEST(PackageFolderPlan, AdministratorsUseAFolderUnderProgramFilesPerConfigurationOthersTheirOwn) {
    const std::wstring machine = L"C:\\Program Files";
    const std::wstring user = L"C:\\users\\u\\AppData\\Roaming";
    PackageFolderPlan plan = PlanPackageFolder(true, machine, user, false);
    EXPECT_TRUE(plan.protectedFolder);
    // Beside the product's default folder (Program Files\Velmora), never inside it.
    EXPECT_EQ(L"C:\\Program Files\\Velmora Installer\\release", plan.path());
    EXPECT_EQ(L"C:\\Program Files\\Velmora Installer\\test",
              PlanPackageFolder(true, machine + L"\\", user, true).path());
    plan = PlanPackageFolder(false, machine, user, true);
    EXPECT_FALSE(plan.protectedFolder);
    EXPECT_EQ(L"C:\\users\\u\\AppData\\Roaming\\BranoInst\\VLInst", plan.path());
    EXPECT_NE(std::string::npos, plan.reason.find("no administrator rights"));
}

TEST(PackageFolderPlan, LimitedTokenFallsBackToTheUsersFolderAndSaysWhy) {
    EXPECT_TRUE(ProcessIsAdministrator());  // Wine's user is an administrator
    LimitedThread limited;
    ASSERT_TRUE(limited.active());
    EXPECT_FALSE(ProcessIsAdministrator());
    LogCapture log;
    const std::wstring folder = PreparePackageFolder();
    wchar_t roaming[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming);
    EXPECT_EQ(std::wstring(roaming) + L"\\BranoInst\\VLInst", folder);
    EXPECT_EQ(1, log.countContaining(
                     "(no administrator rights: the user's own folder, the package runs with the "
                     "user's rights)",
                     "I/"))
        << log.dump();
}

TEST(ProtectedFolder, MadeBelowTheBaseAndTheSameFolderNextTime) {
    TempDir base("protected_new");
    LogCapture log;
    std::string why;
    const std::wstring folder =
        PrepareProtectedFolder(Wide(base.path()), {L"Velmora", L"Installer", L"release"}, &why);
    ASSERT_EQ(Wide(base.path()) + L"\\Velmora\\Installer\\release", folder) << why;
    WriteFileBytes(base.file("Velmora\\Installer\\release\\Setup.exe"), "partial");
    EXPECT_EQ(folder, PrepareProtectedFolder(Wide(base.path()),
                                             {L"Velmora", L"Installer", L"release"}, &why));
    // A partial download stays for the next run to resume.
    EXPECT_EQ("partial", ReadFileBytes(base.file("Velmora\\Installer\\release\\Setup.exe")));
    // What Wine reads back is its own default (it keeps no owner or DACL of a folder): only the
    // descriptor built can be checked here, above.
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                    &owner, nullptr, nullptr, nullptr, &sd));
    LocalFree(sd);
}

TEST(ProtectedFolder, FolderOthersCouldWriteIsResetAndEmptiedButForThePackageAndTheLog) {
    TempDir base("protected_reset");
    const std::string release = base.file("Velmora\\Installer\\release");
    // Made with the default security of a user's folder, with a planted library beside it.
    ASSERT_TRUE(CreateDirectoryA(base.file("Velmora").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(base.file("Velmora\\Installer").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(release.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((release + "\\Setup.exe.local").c_str(), nullptr));
    WriteFileBytes(release + "\\Setup.exe.local\\version.dll", "planted");
    WriteFileBytes(release + "\\version.dll", "planted");
    WriteFileBytes(release + "\\Velmorainstaller.log", "an earlier run");
    WriteFileBytes(release + "\\Setup.exe", "partial");
    WriteFileBytes(release + "\\Setup.exe.cfg", "\"etag\"");
    WriteFileBytes(release + "\\channel.dat", "000000238");
    LogCapture log;
    std::string why;
    ASSERT_EQ(Wide(release), PrepareProtectedFolder(Wide(base.path()),
                                                    {L"Velmora", L"Installer", L"release"}, &why))
        << why;
    EXPECT_EQ(3, log.countContaining("was not admin-only (owned by ", "W/")) << log.dump();
    EXPECT_EQ(3, log.countContaining("): owner and DACL set again", "W/"));
    EXPECT_FALSE(FileExists(release + "\\version.dll"));
    EXPECT_FALSE(FileExists(release + "\\channel.dat"));
    EXPECT_EQ(1, log.countExact("left in it by someone else, deleted: version.dll", "W/"));
    EXPECT_EQ("partial", ReadFileBytes(release + "\\Setup.exe"));
    EXPECT_EQ("\"etag\"", ReadFileBytes(release + "\\Setup.exe.cfg"));
    EXPECT_EQ("an earlier run", ReadFileBytes(release + "\\Velmorainstaller.log"));
    // A folder the loader looks into goes with all it holds.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((release + "\\Setup.exe.local").c_str()));
    EXPECT_EQ(1, log.countExact("left in it by someone else, deleted: Setup.exe.local", "W/"));
}

TEST(ProtectedFolder, PlantedFileThatCannotBeDeletedKeepsTheFolderFromUse) {
    TempDir base("protected_stuck");
    ASSERT_TRUE(CreateDirectoryA(base.file("release").c_str(), nullptr));
    const std::string planted = base.file("release\\version.dll");
    WriteFileBytes(planted, "planted");
    ASSERT_TRUE(SetFileAttributesA(planted.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string why;
    EXPECT_EQ(L"", PrepareProtectedFolder(Wide(base.path()), {L"release"}, &why));
    EXPECT_EQ(0u, why.find("cannot delete " + planted + ", left in it by someone else")) << why;
    SetFileAttributesA(planted.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ProtectedFolder, MissingBaseOrFileInThePathIsRefused) {
    TempDir base("protected_refused");
    std::string why;
    EXPECT_EQ(L"", PrepareProtectedFolder(Wide(base.file("missing")), {L"Velmora"}, &why));
    EXPECT_NE(std::string::npos, why.find("cannot open ")) << why;
    WriteFileBytes(base.file("Velmora"), "a file, not a folder");
    EXPECT_EQ(L"", PrepareProtectedFolder(Wide(base.path()), {L"Velmora", L"Installer"}, &why));
    EXPECT_NE(std::string::npos, why.find("is not a folder")) << why;
    EXPECT_EQ(L"", PrepareProtectedFolder(L"relative\\base", {L"Velmora"}, &why));
    EXPECT_NE(std::string::npos, why.find("is not a full path")) << why;
}

// A prepared package folder as a start finds it once the package is downloaded.
class BeforeRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        folder_ =
            PrepareProtectedFolder(Wide(base_.path()), {L"Velmora Installer", L"release"}, &why);
        ASSERT_FALSE(folder_.empty()) << why;
        release_ = base_.file("Velmora Installer\\release");
        WriteFileBytes(release_ + "\\Setup.exe", "MZ");
        WriteFileBytes(release_ + "\\Setup.exe.cfg", "\"etag\"");
        WriteFileBytes(release_ + "\\channel.dat", "000000238");
        WriteFileBytes(release_ + "\\Velmorainstaller.log", "lines");
    }
    bool Check() {
        why_.clear();
        return CheckPackageFolderBeforeRun(folder_, &why_);
    }
    TempDir base_{"before_run"};
    std::wstring folder_;
    std::string release_;
    std::string why_;
};

TEST_F(BeforeRunTest, OwnFilesAndUnchangedRightsStartWithAFreshTempFolder) {
    EXPECT_EQ(L"", PackageTempFolder(folder_));  // none before the check made it
    ASSERT_TRUE(Check()) << why_;
    EXPECT_EQ(folder_ + L"\\Temp", PackageTempFolder(folder_));
    // What an earlier package left in its temp folder is gone at the next start.
    ASSERT_TRUE(CreateDirectoryA((release_ + "\\Temp\\nsa1.tmp").c_str(), nullptr));
    WriteFileBytes(release_ + "\\Temp\\nsa1.tmp\\System.dll", "left");
    WriteFileBytes(release_ + "\\Setup.exe.rejected", "set aside by an earlier run");
    ASSERT_TRUE(Check()) << why_;
    EXPECT_FALSE(FileExists(release_ + "\\Temp\\nsa1.tmp\\System.dll"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((release_ + "\\Temp").c_str()));
    // Another folder (a run without administrator rights) is not checked and has no temp.
    TempDir other("before_run_other");
    WriteFileBytes(other.file("version.dll"), "the user's own");
    EXPECT_TRUE(CheckPackageFolderBeforeRun(Wide(other.path()), &why_));
    EXPECT_EQ(L"", PackageTempFolder(Wide(other.path())));
}

TEST_F(BeforeRunTest, AnythingPlantedBesideThePackageRefusesTheStart) {
    WriteFileBytes(release_ + "\\version.dll", "planted");
    EXPECT_FALSE(Check());
    EXPECT_EQ("version.dll in it was not put there by this installer", why_);
    EXPECT_EQ(L"", PackageTempFolder(folder_));
    ASSERT_TRUE(DeleteFileA((release_ + "\\version.dll").c_str()));
    // The loader's redirection folder, and a folder by the name of one of the files.
    for (const char* name : {"Setup.exe.local", "channel.dat"}) {
        DeleteFileA((release_ + "\\" + name).c_str());
        ASSERT_TRUE(CreateDirectoryA((release_ + "\\" + name).c_str(), nullptr));
        EXPECT_FALSE(Check()) << name;
        EXPECT_EQ(std::string(name) + " in it was not put there by this installer", why_);
        ASSERT_TRUE(RemoveDirectoryA((release_ + "\\" + name).c_str()));
    }
    EXPECT_TRUE(Check()) << why_;
}

TEST_F(BeforeRunTest, RightsChangedThroughAHandleKeptFromBeforeRefuseTheStart) {
    ASSERT_TRUE(Check()) << why_;
    // Someone who kept a handle with WRITE_DAC gives everyone the right to write again.
    ScopedHandle kept(CreateFileW(folder_.c_str(), WRITE_DAC | READ_CONTROL,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(kept.valid());
    PSECURITY_DESCRIPTOR open = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open, nullptr));
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    GetSecurityDescriptorDacl(open, &present, &dacl, &defaulted);
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetSecurityInfo(kept.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, dacl, nullptr));
    LocalFree(open);
    EXPECT_FALSE(Check());
    EXPECT_EQ(0u, why_.find("its owner or DACL changed since it was prepared (O:")) << why_;
    EXPECT_NE(std::string::npos, why_.find(";;;WD)")) << why_;
    EXPECT_EQ(L"", PackageTempFolder(folder_));
}

// Run on prefixes that report Windows XP, 7 and 10 (VELMORA_WINE_VERSION): the same process
// start everywhere, the System32 preference asked for on Windows 10 only.
TEST_F(BeforeRunTest, PackageRunsWithItsOwnTempAndOnWindows10PreferringSystem32) {
    ASSERT_TRUE(Check()) << why_;
    TempDir out("before_run_out");
    const std::string seen = out.file("seen.txt");
    LogCapture log;
    ASSERT_TRUE(RunProcess(Wide("cmd.exe /c echo %TEMP%;%TMP%>\"" + seen + "\""), true, folder_));
    const std::string temp = release_ + "\\Temp";
    EXPECT_EQ(temp + ";" + temp + "\r\n", ReadFileBytes(seen));
    char version[16] = "";
    GetEnvironmentVariableA("VELMORA_WINE_VERSION", version, sizeof version);
    EXPECT_EQ(std::string(version) == "win10" ? 1 : 0,
              log.countExact("the package starts preferring libraries from System32", "I/"))
        << log.dump();
    EXPECT_EQ(0, log.countContaining("System32 preference", "W/")) << log.dump();
}

TEST(PackageEnvironment, TempAndTmpReplacedAndTheBlockSortedByName) {
    const wchar_t current[] =
        L"=C:=C:\\work\0Path=C:\\windows\0tmp=C:\\users\\u\\Temp\0"
        L"ALLUSERSPROFILE=C:\\ProgramData\0Temp=C:\\users\\u\\Temp\0\0";
    const std::vector<wchar_t> block = EnvironmentWithTemp(current, L"C:\\P\\Temp");
    const wchar_t expected[] =
        L"=C:=C:\\work\0ALLUSERSPROFILE=C:\\ProgramData\0Path=C:\\windows\0"
        L"TEMP=C:\\P\\Temp\0TMP=C:\\P\\Temp\0\0";
    EXPECT_EQ(std::vector<wchar_t>(expected, expected + sizeof expected / sizeof *expected - 1),
              block);
    EXPECT_EQ((std::vector<wchar_t>{L'T', L'E', L'M', L'P', L'=', L'x', 0, L'T', L'M', L'P', L'=',
                                    L'x', 0, 0}),
              EnvironmentWithTemp(L"\0", L"x"));
}

TEST(NoFollow, FolderChainFromTheRootDown) {
    using Chain = std::vector<std::wstring>;
    EXPECT_EQ((Chain{L"C:\\", L"C:\\a", L"C:\\a\\b"}), FolderChain(L"C:\\a\\b"));
    EXPECT_EQ((Chain{L"C:\\", L"C:\\a"}), FolderChain(L"C:\\a\\"));
    EXPECT_EQ((Chain{L"C:\\"}), FolderChain(L"C:\\"));
    EXPECT_EQ((Chain{L"\\\\srv\\share\\", L"\\\\srv\\share\\a"}),
              FolderChain(L"\\\\srv\\share\\a"));
    EXPECT_EQ(Chain{}, FolderChain(L"a\\b"));
    EXPECT_EQ(Chain{}, FolderChain(L"C:a"));
    EXPECT_EQ(Chain{}, FolderChain(L"\\\\?\\C:\\a"));
    EXPECT_EQ(Chain{}, FolderChain(L"C:\\a\\..\\b"));
}

TEST(NoFollow, HardLinkedFilesAreNotWrittenThroughButMayBeRead) {
    TempDir dir("no_follow_links");
    const std::string other = dir.file("elsewhere.txt");
    WriteFileBytes(other, "someone else's file");
    ASSERT_TRUE(CreateHardLinkA(dir.file("channel.dat").c_str(), other.c_str(), nullptr));
    std::string why;
    ScopedHandle written =
        OpenFileNoFollow(Wide(dir.file("channel.dat")), GENERIC_WRITE, 0, OPEN_ALWAYS, 0, &why);
    EXPECT_FALSE(written.valid());
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANT_ACCESS_FILE), GetLastError());
    EXPECT_NE(std::string::npos, why.find("has 2 names (hard links)")) << why;
    EXPECT_TRUE(OpenFileNoFollow(Wide(dir.file("channel.dat")), GENERIC_READ, FILE_SHARE_READ,
                                 OPEN_EXISTING, 0, &why)
                    .valid());

    LogCapture log;
    EXPECT_FALSE(WriteChannelFile(Wide(dir.path())));
    EXPECT_EQ(1, log.countContaining("channel.dat not written: ", "W/")) << log.dump();
    EXPECT_EQ("someone else's file", ReadFileBytes(other));

    // The download's own file: a hard-linked name is removed and the file made anew.
    ASSERT_TRUE(CreateHardLinkA(dir.file("Setup.exe").c_str(), other.c_str(), nullptr));
    PackageFile package;
    ASSERT_TRUE(package.Open(dir.file("Setup.exe").c_str()));
    EXPECT_EQ(0u, package.Length());
    EXPECT_EQ(4u, package.Write("MZxx", 4));
    EXPECT_TRUE(package.Flush());
    package.Close();
    EXPECT_EQ("MZxx", ReadFileBytes(dir.file("Setup.exe")));
    EXPECT_EQ("someone else's file", ReadFileBytes(other));
    EXPECT_EQ(1, log.countContaining("is a link or has other names: removed, not written", "W/"));

    // The sidecar likewise: written as a name of its own, never through the link.
    ASSERT_TRUE(CreateHardLinkA(dir.file("Setup.exe.cfg").c_str(), other.c_str(), nullptr));
    {
        ScopedFile sidecar = OpenTextFileNoFollow(dir.file("Setup.exe.cfg"), true);
        ASSERT_TRUE(sidecar);
        std::fputs(" \"v1\"\n", sidecar.get());
    }
    EXPECT_EQ(" \"v1\"\r\n", ReadFileBytes(dir.file("Setup.exe.cfg")));  // text mode, as before
    EXPECT_EQ("someone else's file", ReadFileBytes(other));

    ASSERT_TRUE(CreateHardLinkA(dir.file("old.cfg").c_str(), other.c_str(), nullptr));
    EXPECT_TRUE(DeleteFileNoFollow(Wide(dir.file("old.cfg")), &why)) << why;
    EXPECT_FALSE(FileExists(dir.file("old.cfg")));
    EXPECT_EQ("someone else's file", ReadFileBytes(other));
    EXPECT_TRUE(DeleteFileNoFollow(Wide(dir.file("never-there")), &why));
}

// Standard output is the test's own: each test puts it back.
class InstallerLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::fflush(stdout);
        saved_ = _dup(_fileno(stdout));
    }
    void TearDown() override {
        std::fflush(stdout);
        _dup2(saved_, _fileno(stdout));
        _close(saved_);
    }
    int saved_ = -1;
};

TEST_F(InstallerLogTest, GivenPathIsOpenedEmptiedAndTakesTheLines) {
    TempDir dir("log_given");
    WriteFileBytes(dir.file("setup.log"), "an earlier run's lines\r\n");
    std::string failure;
    EXPECT_TRUE(OpenInstallerLog(Wide(dir.file("setup.log")), true, &failure));
    LogI("LogTest", "first line");
    std::fflush(stdout);
    EXPECT_EQ(Wide(dir.file("setup.log")), InstallerLogPath());
    const std::string text = ReadFileBytes(dir.file("setup.log"));
    EXPECT_EQ(0u, text.find(text.substr(0, text.find("I/LogTest"))));
    EXPECT_EQ(std::string::npos, text.find("earlier run"));
    // Text mode, as before: the line ends in CR LF.
    EXPECT_NE(std::string::npos, text.find("I/LogTest -- first line\r\n")) << text;
}

TEST_F(InstallerLogTest, HardLinkedLogAskedForIsRefusedAndNothingIsWritten) {
    TempDir dir("log_linked");
    const std::string other = dir.file("elsewhere.txt");
    WriteFileBytes(other, "someone else's file");
    ASSERT_TRUE(CreateHardLinkA(dir.file("setup.log").c_str(), other.c_str(), nullptr));
    // The administrator asked for that file: the run ends instead of logging elsewhere.
    std::string failure;
    EXPECT_FALSE(OpenInstallerLog(Wide(dir.file("setup.log")), false, &failure));
    EXPECT_NE(std::string::npos, failure.find("has 2 names (hard links)")) << failure;
    EXPECT_EQ("someone else's file", ReadFileBytes(other));
}

TEST_F(InstallerLogTest, AdministratorsSilentRunLogsInThePackageFolder) {
    std::string failure;
    ASSERT_TRUE(OpenInstallerLog(L"", true, &failure));
    LogI("LogTest", "where does this go");
    std::fflush(stdout);
    char programs[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programs);
    const std::string expected =
        std::string(programs) + "\\Velmora Installer\\release\\Velmorainstaller.log";
    EXPECT_EQ(Wide(expected), InstallerLogPath());
    EXPECT_NE(std::string::npos, ReadFileBytes(expected).find("I/LogTest -- where does this go"));
}
