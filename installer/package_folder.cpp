#include "installer/package_folder.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "app/config_selection.h"
#include "app/log.h"
#include "app/no_follow.h"
#include "app/nt_relative.h"
#include "app/scoped_handles.h"
#include "app/text_convert.h"
#include "installer/folder_security.h"

namespace {
const char kTag[] = "PackageFolder";
const wchar_t kOldSubfolder[] = L"BranoInst\\VLInst";
// What the download keeps between runs, and the log that may be open there; each is checked
// again when it is opened, so a folder that is set again keeps them.
const wchar_t* const kKeptNames[] = {L"Setup.exe", L"Setup.exe.cfg", L"Velmorainstaller.log"};
// Every file the installer itself writes into the folder: the above, the channel file and a
// refused package set aside. Nothing else may be there when the package starts.
const wchar_t* const kOwnFiles[] = {L"Setup.exe", L"Setup.exe.cfg", L"Velmorainstaller.log",
                                    L"channel.dat", L"Setup.exe.rejected"};
// The package's own temp folder, made anew before each start.
const wchar_t kTempName[] = L"Temp";
// What earlier versions left in the user's folder.
const wchar_t* const kOldNames[] = {L"Setup.exe", L"Setup.exe.cfg", L"Setup.exe.rejected",
                                    L"channel.dat"};

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::wstring();
    }
    return path;
}

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

bool Listed(const wchar_t* const* names, size_t count, const std::wstring& name) {
    for (size_t i = 0; i < count; ++i) {
        if (lstrcmpiW(names[i], name.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

bool IsPlainFile(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

std::string ErrorText(DWORD error) {
    return "error " + std::to_string(static_cast<unsigned long>(error));
}

// Deletes every entry of a folder found writable by others, except the package, its sidecar
// and the log as files of their own: a library planted beside the package, or a folder the
// loader looks into (Setup.exe.local), would be loaded by it. Everything goes by its name in the
// held folder, a link as a link, a folder with all it holds. False, with *why, when an entry
// cannot be deleted: the folder is not used then.
bool ClearLeftovers(const HeldFolders& folders, std::string* why) {
    std::vector<FolderEntry> entries;
    DWORD error = ERROR_SUCCESS;
    if (!ListFolder(folders.last(), &entries, &error)) {
        *why = "cannot list " + WideToAnsi(folders.path()) + " (" + ErrorText(error) + ")";
        return false;
    }
    for (const FolderEntry& entry : entries) {
        if (IsPlainFile(entry.attributes) &&
            Listed(kKeptNames, sizeof kKeptNames / sizeof *kKeptNames, entry.name)) {
            continue;
        }
        if (!DeleteTreeRelative(folders.last(), entry.name, &error)) {
            *why = "cannot delete " + WideToAnsi(folders.path() + L"\\" + entry.name) +
                   ", left in it by someone else (" + ErrorText(error) + ")";
            return false;
        }
        LogW(kTag, "left in it by someone else, deleted: ", WideToAnsi(entry.name));
    }
    return true;
}

// The owner and DACL of an open folder in their text form; "" with *why when unreadable.
std::string SecurityText(HANDLE folder, std::string* why) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    const DWORD error = GetSecurityInfo(folder, SE_FILE_OBJECT, what, nullptr, nullptr, nullptr,
                                        nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        *why = "its owner and DACL cannot be read (" + ErrorText(error) + ")";
        return std::string();
    }
    LPSTR text = nullptr;
    std::string result;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, what,
                                                             &text, nullptr)) {
        result = text;
        LocalFree(text);
    } else {
        *why = "its owner and DACL cannot be read (" + ErrorText(GetLastError()) + ")";
    }
    LocalFree(descriptor);
    return result;
}

CriticalSection& HeldLock() {
    static CriticalSection lock;
    return lock;
}

// The last prepared package folder, held until the next one is prepared: its folders, its
// owner and DACL as they were once prepared, and its temp folder once made for a start.
struct PreparedFolder {
    HeldFolders folders;
    std::string security;
    std::wstring temp;
};

PreparedFolder& Held() {
    static PreparedFolder held;
    return held;
}
}  // namespace

std::wstring PackageFolderPlan::path() const {
    std::wstring full = WithoutTrailingSeparator(base);
    for (const std::wstring& part : parts) {
        full += L"\\" + part;
    }
    return full;
}

PackageFolderPlan PlanPackageFolder(bool administrator, const std::wstring& programFiles,
                                    const std::wstring& userData, bool test) {
    PackageFolderPlan plan;
    if (administrator) {
        plan.protectedFolder = true;
        plan.base = programFiles;
        plan.parts = {L"Velmora Installer", test ? L"test" : L"release"};
        plan.reason = "administrator: a folder only administrators can create or write";
    } else {
        plan.base = userData;
        plan.parts = {L"BranoInst", L"VLInst"};
        plan.reason =
            "no administrator rights: the user's own folder, the package runs with the "
            "user's rights";
    }
    return plan;
}

bool ProcessIsAdministrator() {
    AdminOnlySecurity security;
    BOOL member = FALSE;
    return security.valid() && CheckTokenMembership(nullptr, security.administrators(), &member) &&
           member;
}

std::wstring PrepareProtectedFolder(const std::wstring& base,
                                    const std::vector<std::wstring>& parts, std::string* why) {
    AdminOnlySecurity security;
    if (!security.valid()) {
        *why = "the security descriptor could not be built";
        return std::wstring();
    }
    HeldFolders folders;
    std::wstring path = WithoutTrailingSeparator(base);
    if (!folders.Open(path, why)) {
        return std::wstring();
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        path += L"\\" + parts[i];
        bool created = false;
        if (!folders.Enter(path, why, WRITE_DAC | WRITE_OWNER, security.attributes(), &created)) {
            return std::wstring();
        }
        std::string wrong;
        if (FolderIsAdminOnly(folders.last(), &wrong)) {
            continue;
        }
        // Set again through the handle just checked, so it is this folder that changes.
        std::string failed;
        if (!MakeFolderAdminOnly(folders.last(), security, &failed)) {
            *why = WideToAnsi(path) + ": " + failed;
            return std::wstring();
        }
        if (!created) {
            LogW(kTag, WideToAnsi(path), " was not admin-only (", wrong,
                 "): owner and DACL set again");
        }
    }
    // Only what this installer keeps between runs stays; a start refuses anything else.
    if (!parts.empty() && !ClearLeftovers(folders, why)) {
        return std::wstring();
    }
    // What a start compares with: a later change is someone else's.
    std::string prepared = SecurityText(folders.last(), why);
    if (prepared.empty()) {
        *why = WideToAnsi(path) + ": " + *why;
        return std::wstring();
    }
    AutoLock lock(HeldLock());
    Held().folders = std::move(folders);
    Held().security = std::move(prepared);
    Held().temp.clear();
    return path;
}

bool CheckPackageFolderBeforeRun(const std::wstring& folder, std::string* why) {
    AutoLock lock(HeldLock());
    PreparedFolder& held = Held();
    held.temp.clear();
    if (!held.folders.last() || lstrcmpiW(held.folders.path().c_str(), folder.c_str()) != 0) {
        return true;  // not the protected folder: the package runs with the user's own rights
    }
    // A fresh temp folder: whatever an earlier package left there goes first.
    DWORD error = ERROR_SUCCESS;
    AdminOnlySecurity security;
    RelativeOpen how;
    how.access = FILE_READ_ATTRIBUTES;
    how.share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    how.disposition = FILE_CREATE;
    how.options = FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT;
    how.security = security.valid() ? security.descriptor() : nullptr;
    if (!DeleteTreeRelative(held.folders.last(), kTempName, &error) || !security.valid() ||
        !OpenRelative(held.folders.last(), kTempName, how, &error).valid()) {
        *why = "its temp folder cannot be made anew (" + ErrorText(error) + ")";
        return false;
    }
    std::string unreadable;
    const std::string now = SecurityText(held.folders.last(), &unreadable);
    if (now.empty()) {
        *why = unreadable;
        return false;
    }
    if (now != held.security) {
        *why = "its owner or DACL changed since it was prepared (" + held.security + ", now " +
               now + ")";
        return false;
    }
    std::vector<FolderEntry> entries;
    if (!ListFolder(held.folders.last(), &entries, &error)) {
        *why = "cannot list it (" + ErrorText(error) + ")";
        return false;
    }
    for (const FolderEntry& entry : entries) {
        const std::string name = WideToAnsi(entry.name);
        if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            *why = name + " in it is a link (reparse point)";
            return false;
        }
        const bool own = IsPlainFile(entry.attributes)
                             ? Listed(kOwnFiles, sizeof kOwnFiles / sizeof *kOwnFiles, entry.name)
                             : lstrcmpiW(entry.name.c_str(), kTempName) == 0;
        if (!own) {
            *why = name + " in it was not put there by this installer";
            return false;
        }
    }
    held.temp = folder + L"\\" + kTempName;
    return true;
}

std::wstring PackageTempFolder(const std::wstring& folder) {
    AutoLock lock(HeldLock());
    const PreparedFolder& held = Held();
    return held.folders.last() && lstrcmpiW(held.folders.path().c_str(), folder.c_str()) == 0
               ? held.temp
               : std::wstring();
}

void DiscardOldPackageFolder(const std::wstring& userData) {
    if (userData.empty()) {
        return;
    }
    const std::wstring folder = WithoutTrailingSeparator(userData) + L"\\" + kOldSubfolder;
    for (const wchar_t* name : kOldNames) {
        const std::wstring path = folder + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        std::string why;
        if (DeleteFileNoFollow(path, &why)) {
            LogI(kTag, "not trusted, deleted: ", WideToAnsi(path));
        } else {
            LogW(kTag, "not trusted, left alone: ", WideToAnsi(path), ": ", why);
        }
    }
}

std::wstring PrepareProtectedPackageFolder(std::string* why) {
    const PackageFolderPlan plan = PlanPackageFolder(
        true, KnownFolder(CSIDL_PROGRAM_FILES), std::wstring(), GetConfigSelection().isTest != 0);
    if (plan.base.empty()) {
        *why = "the Program Files folder is unknown";
        return std::wstring();
    }
    return PrepareProtectedFolder(plan.base, plan.parts, why);
}

std::wstring PreparePackageFolder() {
    const std::wstring userData = KnownFolder(CSIDL_APPDATA);
    const PackageFolderPlan plan = PlanPackageFolder(ProcessIsAdministrator(), std::wstring(),
                                                     userData, GetConfigSelection().isTest != 0);
    if (!plan.protectedFolder) {
        if (userData.empty()) {
            LogE(kTag, "no package folder: the user's application data folder is unknown");
            return std::wstring();
        }
        LogI(kTag, "package folder: ", WideToAnsi(plan.path()), " (", plan.reason, ")");
        return plan.path();
    }
    std::string why;
    const std::wstring folder = PrepareProtectedPackageFolder(&why);
    if (folder.empty()) {
        LogE(kTag, "no safe package folder, nothing will be downloaded: ", why);
        return folder;
    }
    LogI(kTag, "package folder: ", WideToAnsi(folder), " (", plan.reason, ")");
    DiscardOldPackageFolder(userData);
    return folder;
}
