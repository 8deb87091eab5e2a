#include "installer/package_folder.h"

#include <windows.h>

#include <shlobj.h>

#include "app/config_selection.h"
#include "app/log.h"
#include "app/no_follow.h"
#include "app/scoped_handles.h"
#include "app/text_convert.h"
#include "installer/folder_security.h"

namespace {
const char kTag[] = "PackageFolder";
const wchar_t kOldSubfolder[] = L"BranoInst\\VLInst";
// What the download keeps between runs, and the log that may be open there; each is checked
// again when it is opened, so a folder that is set again keeps them.
const wchar_t* const kKeptNames[] = {L"Setup.exe", L"Setup.exe.cfg", L"Velmorainstaller.log"};
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

bool IsKept(const wchar_t* name) {
    for (const wchar_t* kept : kKeptNames) {
        if (lstrcmpiW(kept, name) == 0) {
            return true;
        }
    }
    return false;
}

// Deletes every entry of a folder found writable by others, except the package, its sidecar
// and the log: a library planted beside the package would be loaded by it. Links go as names (a
// link to a folder is removed, not followed); real subfolders stay (no library is looked for
// there). False, with *why, when an entry cannot be deleted: the folder is not used then.
bool ClearLeftovers(const std::wstring& folder, std::string* why) {
    WIN32_FIND_DATAW entry;
    ScopedFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search.valid()) {
        return true;
    }
    bool cleared = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." || IsKept(entry.cFileName)) {
            continue;
        }
        const std::wstring path = folder + L"\\" + name;
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isFolder && !isLink) {
            continue;
        }
        // Attributes are left as they are: a hard link shares them with another file.
        if (isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) {
            LogW(kTag, "left in it by someone else, deleted: ", WideToAnsi(name));
        } else {
            *why = "cannot delete " + WideToAnsi(path) + ", left in it by someone else (error " +
                   std::to_string(static_cast<unsigned long>(GetLastError())) + ")";
            cleared = false;
        }
    } while (cleared && FindNextFileW(search.get(), &entry));
    return cleared;
}

CriticalSection& HeldLock() {
    static CriticalSection lock;
    return lock;
}

// The folders of the last prepared package folder, held until the next one is prepared.
HeldFolders& Held() {
    static HeldFolders held;
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

PackageFolderPlan PlanPackageFolder(bool administrator, const std::wstring& machineData,
                                    const std::wstring& userData, bool test) {
    PackageFolderPlan plan;
    if (administrator) {
        plan.protectedFolder = true;
        plan.base = machineData;
        plan.parts = {L"Velmora", L"Installer", test ? L"test" : L"release"};
        plan.reason = "administrator: a folder only administrators can write";
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
            if (i + 1 == parts.size() && !ClearLeftovers(path, why)) {
                return std::wstring();
            }
        }
    }
    AutoLock lock(HeldLock());
    Held() = std::move(folders);
    return path;
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
        true, KnownFolder(CSIDL_COMMON_APPDATA), std::wstring(), GetConfigSelection().isTest != 0);
    if (plan.base.empty()) {
        *why = "the machine's application data folder is unknown";
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
