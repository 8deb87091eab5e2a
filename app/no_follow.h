#pragma once
// Files and folders in places that someone else may control, reached without following links.
// A junction, mount point or symbolic link (a reparse point) on the way could send a write of
// this elevated process anywhere; a hard link could do the same for a file that is written. On
// the way to a file every folder is opened from the root down and held, sharing no delete
// access, and refused when it is a reparse point. Each folder below the root, and then the file,
// is opened by its name relative to the folder held above it (app/nt_relative.h), never by its
// path again: a folder replaced by a link after it was checked does not send the open elsewhere.
// The file is opened as itself, not as what it points to.
#include <windows.h>

#include <string>
#include <vector>

#include "app/scoped_handles.h"

// The folders of one path, held open from its root down.
class HeldFolders {
public:
    // Opens every folder of `folder` (a full path "X:\..." or "\\server\share\...") from its
    // root down. False, with the reason in *why, when a folder is missing, is a reparse point
    // or cannot be held. `extraAccess` is asked for on the last folder (e.g. WRITE_DAC).
    bool Open(const std::wstring& folder, std::string* why, DWORD extraAccess = 0);
    // Opens one more folder, `path` (the held path + "\" + a name), by its name in the folder
    // held last; with `security` it is created with that descriptor when missing.
    bool Enter(const std::wstring& path, std::string* why, DWORD extraAccess = 0,
               SECURITY_ATTRIBUTES* security = nullptr, bool* created = nullptr);
    // The last folder entered.
    HANDLE last() const { return handles_.empty() ? nullptr : handles_.back().get(); }
    const std::wstring& path() const { return path_; }
    // Why the last Open or Enter failed: the system's error, or ERROR_CANT_ACCESS_FILE when a
    // folder was refused (a link, not a folder).
    DWORD error() const { return error_; }
    void Close() {
        handles_.clear();
        path_.clear();
    }

private:
    std::vector<ScopedHandle> handles_;
    std::wstring path_;
    DWORD error_ = ERROR_SUCCESS;
};

// The folder prefixes of a full path, from the root: "C:\a\b" gives "C:\", "C:\a", "C:\a\b";
// "\\srv\share\a" gives "\\srv\share\", "\\srv\share\a". Empty for any other form.
std::vector<std::wstring> FolderChain(const std::wstring& folder);

// A file opened by CreateFileW without following links: its folders are held while it is
// opened, a reparse point (or a folder) by that name is refused, and so is a file with more than
// one name when `access` writes. Invalid, with the reason in *why, when refused or not opened
// (then GetLastError() tells the system's reason, or ERROR_CANT_ACCESS_FILE for a refusal).
// `disposition` must not truncate (no CREATE_ALWAYS, TRUNCATE_EXISTING): truncate once it is
// known to be the file it should be.
ScopedHandle OpenFileNoFollow(const std::wstring& path, DWORD access, DWORD share,
                              DWORD disposition, DWORD flags, std::string* why);

// The full path of a relative one (against the working directory); "" when that fails.
std::wstring FullPath(const std::wstring& path);

// As OpenFileNoFollow, for the file `name` (one name) in the last folder `folders` holds.
ScopedHandle OpenFileInFolder(const HeldFolders& folders, const std::wstring& name, DWORD access,
                              DWORD share, DWORD disposition, DWORD flags, std::string* why);

// Deletes the entry `name` of the last folder `folders` holds, as itself (a link goes as a link).
// True when it is gone or was never there.
bool DeleteInFolder(const HeldFolders& folders, const std::wstring& name, std::string* why);

// Deletes the file `path` names (the name itself, whatever it points to) when no folder on its
// way is a link. True when it is gone (or was never there); false with *why otherwise.
bool DeleteFileNoFollow(const std::wstring& path, std::string* why);
