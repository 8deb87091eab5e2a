#pragma once
// What the setup package is started with. Setup packages unpack their helper libraries into
// %TEMP% and load them from there, and look for libraries beside themselves: as administrator,
// both places must be ones nobody else can write.
// - Its TEMP and TMP name the package's own temp folder inside the protected package folder
//   (made anew just before the start, see CheckPackageFolderBeforeRun), not the user's.
// - On Windows 10 (1607) and later it starts with the image-load mitigation that prefers
//   libraries from System32 over those beside it. The functions are looked up at run time, so
//   XP (which has neither) starts it as before.
#include <windows.h>

#include <string>
#include <vector>

// The process's environment with TEMP and TMP set to tempFolder (any earlier values of either
// left out), sorted by name as Windows keeps a block, each entry ending in a null and the
// block in a second one.
std::vector<wchar_t> EnvironmentWithTemp(const wchar_t* current, const std::wstring& tempFolder);

// The CreateProcessW arguments for a package started in `folder`: give creationFlags() with the
// caller's own flags, environment() and startupInfo() as they are.
class PackageStartup {
public:
    explicit PackageStartup(const std::wstring& folder);
    ~PackageStartup();
    PackageStartup(const PackageStartup&) = delete;
    PackageStartup& operator=(const PackageStartup&) = delete;

    DWORD creationFlags() const;
    void* environment() { return environment_.empty() ? nullptr : environment_.data(); }
    STARTUPINFOW* startupInfo() { return &startup_.info; }
    bool preferSystem32() const { return attributes_ != nullptr; }

private:
    struct ExtendedStartupInfo {  // STARTUPINFOEXW, which XP's headers do not declare
        STARTUPINFOW info;
        void* attributeList;
    };
    std::vector<wchar_t> environment_;
    ExtendedStartupInfo startup_;
    std::vector<BYTE> listMemory_;
    void* attributes_ = nullptr;  // the initialised attribute list, or none
    DWORD64 policy_ = 0;          // must live as long as the list that points to it
};
