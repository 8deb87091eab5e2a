#include "app/no_follow.h"

#include <winternl.h>

#include "app/nt_relative.h"
#include "app/text_convert.h"

namespace {

// Share modes of a held folder: others may read and write in it, not delete or rename it.
const DWORD kHeldFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

std::string Ansi(const std::wstring& path) {
    return WideToAnsi(path);
}

std::string SystemError(const char* what, DWORD error) {
    return std::string(what) + " (error " + std::to_string(static_cast<unsigned long>(error)) + ")";
}

// Wine marks a linked folder in what its folder lists for the name, not in what an opened handle
// reports: the name is looked up in the held folder too.
bool ListedAsLink(HANDLE folder, const std::wstring& name) {
    std::vector<FolderEntry> entries;
    DWORD error = ERROR_SUCCESS;
    return ListFolder(folder, &entries, &error, name) && !entries.empty() &&
           (entries[0].attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool HasSeparatorAt(const std::wstring& path, size_t at) {
    return at < path.size() && (path[at] == L'\\' || path[at] == L'/');
}

}  // namespace

std::vector<std::wstring> FolderChain(const std::wstring& folder) {
    std::vector<std::wstring> chain;
    size_t rootEnd = 0;  // length of the root, its closing separator included
    if (folder.size() >= 3 && folder[1] == L':' && HasSeparatorAt(folder, 2) &&
        ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z'))) {
        rootEnd = 3;
    } else if (folder.size() > 2 && HasSeparatorAt(folder, 0) && HasSeparatorAt(folder, 1) &&
               folder[2] != L'?' && folder[2] != L'.') {
        const size_t server = folder.find_first_of(L"\\/", 2);
        if (server == std::wstring::npos || server == 2) {
            return chain;
        }
        const size_t share = folder.find_first_of(L"\\/", server + 1);
        if (share == server + 1) {
            return chain;
        }
        if (share == std::wstring::npos) {
            chain.push_back(folder + L"\\");
            return chain;
        }
        rootEnd = share + 1;
    } else {
        return chain;
    }
    chain.push_back(folder.substr(0, rootEnd));
    size_t start = rootEnd;
    while (start < folder.size()) {
        size_t end = folder.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) {
            end = folder.size();
        }
        const std::wstring name = folder.substr(start, end - start);
        if (name == L"." || name == L"..") {
            return std::vector<std::wstring>();  // a full path has none: refuse rather than guess
        }
        if (end > start) {
            chain.push_back(folder.substr(0, end));
        }
        start = end + 1;
    }
    return chain;
}

bool HeldFolders::Open(const std::wstring& folder, std::string* why, DWORD extraAccess) {
    Close();
    const std::vector<std::wstring> chain = FolderChain(folder);
    if (chain.empty()) {
        *why = Ansi(folder) + " is not a full path";
        error_ = ERROR_CANT_ACCESS_FILE;
        return false;
    }
    for (size_t i = 0; i < chain.size(); ++i) {
        if (!Enter(chain[i], why, i + 1 == chain.size() ? extraAccess : 0)) {
            Close();
            return false;
        }
    }
    return true;
}

bool HeldFolders::Enter(const std::wstring& path, std::string* why, DWORD extraAccess,
                        SECURITY_ATTRIBUTES* security, bool* created) {
    if (created) {
        *created = false;
    }
    const DWORD access = FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE | extraAccess;
    // A root is the drive itself (Wine shows the link behind a drive letter as its name's).
    const bool root = handles_.empty();
    ScopedHandle folder;
    DWORD error = ERROR_SUCCESS;
    std::wstring name;
    if (root) {
        folder.reset(CreateFileW(path.c_str(), access, kHeldFolderShare, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
        error = folder.valid() ? ERROR_SUCCESS : GetLastError();
    } else {
        const size_t skip = path_.size() + (HasSeparatorAt(path_, path_.size() - 1) ? 0 : 1);
        name = path.size() > skip && path.compare(0, path_.size(), path_) == 0 &&
                       HasSeparatorAt(path, skip - 1)
                   ? path.substr(skip)
                   : std::wstring();
        if (!IsPlainName(name)) {
            error_ = ERROR_CANT_ACCESS_FILE;
            *why = Ansi(path) + " is not a folder in " + Ansi(path_);
            return false;
        }
        RelativeOpen how;
        how.access = access;
        how.share = kHeldFolderShare;
        how.options = FILE_OPEN_FOR_BACKUP_INTENT;
        if (security) {
            // Made with its descriptor in one step, or opened as it is when it exists.
            how.disposition = FILE_OPEN_IF;
            how.options |= FILE_DIRECTORY_FILE;
            how.security = security->lpSecurityDescriptor;
        }
        folder = OpenRelative(handles_.back().get(), name, how, &error, created);
    }
    if (!folder.valid()) {
        error_ = error == ERROR_SHARING_VIOLATION ? ERROR_CANT_ACCESS_FILE : error;
        if (error == ERROR_DIRECTORY) {
            *why = Ansi(path) + " is not a folder";
        } else if (error == ERROR_SHARING_VIOLATION) {
            *why = SystemError(("cannot hold " + Ansi(path) +
                                ": another program has it open to delete or rename it")
                                   .c_str(),
                               error);
        } else {
            *why = SystemError(("cannot open " + Ansi(path)).c_str(), error);
        }
        return false;
    }
    DWORD attributes = 0, links = 0;
    if (!ExamineOpened(folder.get(), &attributes, &links, &error)) {
        error_ = error;
        *why = SystemError(("cannot examine " + Ansi(path)).c_str(), error_);
        return false;
    }
    error_ = ERROR_CANT_ACCESS_FILE;  // for the refusals below
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (!root && ListedAsLink(handles_.back().get(), name))) {
        *why = Ansi(path) + " is a link (reparse point), not a folder of its own";
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        *why = Ansi(path) + " is not a folder";
        return false;
    }
    handles_.push_back(std::move(folder));
    path_ = path;
    error_ = ERROR_SUCCESS;
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH * 2) {
        return std::wstring();
    }
    return std::wstring(buffer, length);
}

namespace {
// The folder part of a full file path; "" when there is none.
std::wstring ParentOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash + 1 == path.size()) {
        return std::wstring();
    }
    // "C:\file": the root keeps its separator.
    return path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
}

std::wstring NameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring JoinName(const std::wstring& folder, const std::wstring& name) {
    return folder + (HasSeparatorAt(folder, folder.size() - 1) ? L"" : L"\\") + name;
}

bool Writes(DWORD access) {
    return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}

// CreateFileW's disposition and flags as NtCreateFile's. False for a disposition that would
// truncate: a file is emptied once it is known to be the one it should be.
bool NativeOpen(DWORD access, DWORD share, DWORD disposition, DWORD flags, RelativeOpen* how) {
    switch (disposition) {
        case OPEN_EXISTING:
            how->disposition = FILE_OPEN;
            break;
        case OPEN_ALWAYS:
            how->disposition = FILE_OPEN_IF;
            break;
        case CREATE_NEW:
            how->disposition = FILE_CREATE;
            break;
        default:
            return false;
    }
    // CreateFileW asks for these with every open.
    how->access = access | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    how->share = share;
    how->attributes = flags & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (how->attributes == 0) {
        how->attributes = FILE_ATTRIBUTE_NORMAL;
    }
    how->options = 0;
    // As CreateFileW: a folder opens only with backup semantics (else "access denied").
    how->options |= (flags & FILE_FLAG_BACKUP_SEMANTICS) ? FILE_OPEN_FOR_BACKUP_INTENT
                                                         : FILE_NON_DIRECTORY_FILE;
    if (flags & FILE_FLAG_WRITE_THROUGH) {
        how->options |= FILE_WRITE_THROUGH;
    }
    if (flags & FILE_FLAG_SEQUENTIAL_SCAN) {
        how->options |= FILE_SEQUENTIAL_ONLY;
    }
    if (flags & FILE_FLAG_RANDOM_ACCESS) {
        how->options |= FILE_RANDOM_ACCESS;
    }
    if (flags & FILE_FLAG_NO_BUFFERING) {
        how->options |= FILE_NO_INTERMEDIATE_BUFFERING;
    }
    if (flags & FILE_FLAG_DELETE_ON_CLOSE) {
        how->options |= FILE_DELETE_ON_CLOSE;
        how->access |= DELETE;
    }
    // Overlapped opens are not made here: every handle is synchronous.
    return (flags & FILE_FLAG_OVERLAPPED) == 0;
}
}  // namespace

ScopedHandle OpenFileInFolder(const HeldFolders& folders, const std::wstring& name, DWORD access,
                              DWORD share, DWORD disposition, DWORD flags, std::string* why) {
    const std::wstring full = JoinName(folders.path(), name);
    RelativeOpen how;
    if (!folders.last() || !IsPlainName(name) ||
        !NativeOpen(access, share, disposition, flags, &how)) {
        *why = "cannot open " + Ansi(full) + ": not a file name in a held folder";
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return ScopedHandle();
    }
    DWORD error = ERROR_SUCCESS;
    ScopedHandle file = OpenRelative(folders.last(), name, how, &error);
    if (!file.valid()) {
        *why = SystemError(("cannot open " + Ansi(full)).c_str(), error);
        SetLastError(error);
        return file;
    }
    DWORD attributes = 0, links = 0;
    if (!ExamineOpened(file.get(), &attributes, &links, &error)) {
        *why = SystemError(("cannot examine " + Ansi(full)).c_str(), error);
        SetLastError(error);
        return ScopedHandle();
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || ListedAsLink(folders.last(), name)) {
        *why = Ansi(full) + " is a link (reparse point), not a file of its own";
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *why = Ansi(full) + " is a folder";
    } else if (Writes(access) && links > 1) {
        *why = Ansi(full) + " has " + std::to_string(links) +
               " names (hard links): writing it would change another file too";
    } else {
        return file;
    }
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
}

ScopedHandle OpenFileNoFollow(const std::wstring& path, DWORD access, DWORD share,
                              DWORD disposition, DWORD flags, std::string* why) {
    const std::wstring full = FullPath(path);
    const std::wstring parent = ParentOf(full);
    HeldFolders folders;
    if (parent.empty()) {
        *why = Ansi(path) + " is not a file path";
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return ScopedHandle();
    }
    if (!folders.Open(parent, why)) {
        SetLastError(folders.error());
        return ScopedHandle();
    }
    return OpenFileInFolder(folders, NameOf(full), access, share, disposition, flags, why);
}

bool DeleteInFolder(const HeldFolders& folders, const std::wstring& name, std::string* why) {
    DWORD error = ERROR_INVALID_NAME;
    if (folders.last() && IsPlainName(name) && DeleteRelative(folders.last(), name, &error)) {
        return true;
    }
    *why = SystemError(("cannot delete " + Ansi(JoinName(folders.path(), name))).c_str(), error);
    return false;
}

bool DeleteFileNoFollow(const std::wstring& path, std::string* why) {
    const std::wstring full = FullPath(path);
    const std::wstring parent = ParentOf(full);
    HeldFolders folders;
    if (parent.empty()) {
        *why = Ansi(path) + " is not a file path";
        return false;
    }
    if (!folders.Open(parent, why)) {
        const DWORD error = folders.error();
        // Nothing there, through links or not: nothing is deleted.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // The name itself goes: a link is removed, not what it points to.
    return DeleteInFolder(folders, NameOf(full), why);
}
