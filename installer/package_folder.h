#pragma once
// The folder that holds the setup package (Setup.exe), its ".cfg" sidecar and channel.dat while
// they are downloaded, checked and run.
//
// The installer runs as administrator and starts the package it downloaded. In a folder that the
// user owns, any program of the user could replace the folder (or a folder above it) by a link
// between the check and the run, and have its own program started as administrator. So an
// administrator keeps them in a folder under the machine's application data that only
// administrators can write ("<common application data>\Velmora\Installer\<release|test>"),
// reached without following links and held open for the rest of the run. A process without
// administrator rights has nothing to escalate to and uses the user's own folder, as before.
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
PackageFolderPlan PlanPackageFolder(bool administrator, const std::wstring& machineData,
                                    const std::wstring& userData, bool test);

// True when the calling thread's token has the Administrators group enabled (an elevated
// administrator; not a limited user, nor an administrator's filtered token).
bool ProcessIsAdministrator();

// Opens (creating what is missing) base\parts[0]\parts[1]... without following links, makes each
// of the parts admin-only and holds them all open until the next call. A part found with another
// owner or a DACL that lets others write gets its owner and DACL set again, and the last one is
// then emptied of every file except the package, its sidecar and the log (each checked when it is
// opened).
// The full path, or "" with *why.
std::wstring PrepareProtectedFolder(const std::wstring& base,
                                    const std::vector<std::wstring>& parts, std::string* why);

// The folder earlier versions used (%APPDATA%\BranoInst\VLInst) is not trusted by an elevated
// run: what they left there is deleted (the names themselves, and only when no folder on the way
// is a link); nothing there is read.
void DiscardOldPackageFolder(const std::wstring& userData);
