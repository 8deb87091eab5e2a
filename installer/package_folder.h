#pragma once
// The folder that holds the setup package (Setup.exe), its ".cfg" sidecar and channel.dat while
// they are downloaded, checked and run.
//
// The installer runs as administrator and starts the package it downloaded. In a folder that
// someone else could create first or write, they could keep a handle with the right to change
// its permissions, put a link in its path, or plant a library beside the package that the
// package then loads as administrator. So an administrator keeps them under Program Files,
// where only administrators can create a folder ("<Program Files>\Velmora Installer\<release|
// test>", beside and never inside the product's own folder), each folder made with its
// admin-only descriptor in the same call, reached without following links and held open for
// the rest of the run. Just before the package starts the folder is checked again (see
// CheckPackageFolderBeforeRun). A process without administrator rights has nothing to escalate
// to and uses the user's own folder, as before. The earlier folder under the machine's
// application data (which any user may create first) is never used, nor anything deleted there.
#include <string>
#include <vector>

// Prepares the package folder and returns its full path (no trailing backslash), or "" when no
// safe folder can be had. Logs which folder is used and why.
std::wstring PreparePackageFolder();

// The protected folder of this configuration, prepared as PreparePackageFolder does for an
// administrator, without its log lines about the choice; "" with *why when it cannot be had.
std::wstring PrepareProtectedPackageFolder(std::string* why);

// Which folder a run uses, decided from the process's rights.
struct PackageFolderPlan {
    bool protectedFolder = false;
    std::wstring base;                // existing folder the path starts from
    std::vector<std::wstring> parts;  // folders below base, made admin-only when protected
    std::string reason;               // for the log
    std::wstring path() const;
};
PackageFolderPlan PlanPackageFolder(bool administrator, const std::wstring& programFiles,
                                    const std::wstring& userData, bool test);

// True when the calling thread's token has the Administrators group enabled (an elevated
// administrator; not a limited user, nor an administrator's filtered token).
bool ProcessIsAdministrator();

// Opens (creating what is missing) base\parts[0]\parts[1]... without following links, makes each
// of the parts admin-only and holds them all open until the next call. A part found with another
// owner or a DACL that lets others write gets its owner and DACL set again, and the last one is
// then emptied of everything except the package, its sidecar and the log as files of their own
// (each checked when it is opened). The last part's owner and DACL, as they are then, are kept
// for CheckPackageFolderBeforeRun.
// The full path, or "" with *why.
std::wstring PrepareProtectedFolder(const std::wstring& base,
                                    const std::vector<std::wstring>& parts, std::string* why);

// Just before the package in `folder` starts, when it is the protected folder held for this
// run: its temp folder ("Temp") is made anew, its owner and DACL are read again through the held
// handle and must be those it was prepared with (someone who kept a handle to change them, or
// Wine after a chmod, shows here), and it must hold only what this installer puts there (the
// package, its sidecar, a refused package, channel.dat, the log, the temp folder) with no link
// among them. False, with *why, otherwise. Any other folder is not checked (true).
bool CheckPackageFolderBeforeRun(const std::wstring& folder, std::string* why);

// The package's temp folder in `folder` once CheckPackageFolderBeforeRun made it; "" for any
// other folder or before.
std::wstring PackageTempFolder(const std::wstring& folder);

// The folder earlier versions used (%APPDATA%\BranoInst\VLInst) is not trusted by an elevated
// run: what they left there is deleted (the names themselves, and only when no folder on the way
// is a link); nothing there is read.
void DiscardOldPackageFolder(const std::wstring& userData);
