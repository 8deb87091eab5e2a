#include "app/no_follow.h"

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

// Wine marks a linked folder in what its name reports, not in what an opened handle reports.
bool NameIsReparsePoint(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    ScopedHandle folder(CreateFileW(path.c_str(), access, kHeldFolderShare, nullptr, OPEN_EXISTING,
                                    flags, nullptr));
    if (!folder.valid() && security) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            if (CreateDirectoryW(path.c_str(), security)) {
                if (created) {
                    *created = true;
                }
            } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
                error_ = GetLastError();
                *why = SystemError(("cannot create " + Ansi(path)).c_str(), error_);
                return false;
            }
            folder.reset(CreateFileW(path.c_str(), access, kHeldFolderShare, nullptr, OPEN_EXISTING,
                                     flags, nullptr));
        } else {
            SetLastError(error);
        }
    }
    if (!folder.valid()) {
        const DWORD error = GetLastError();
        error_ = error == ERROR_SHARING_VIOLATION ? ERROR_CANT_ACCESS_FILE : error;
        *why = SystemError(error == ERROR_SHARING_VIOLATION
                               ? ("cannot hold " + Ansi(path) +
                                  ": another program has it open to delete or rename it")
                                     .c_str()
                               : ("cannot open " + Ansi(path)).c_str(),
                           error);
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder.get(), &info)) {
        error_ = GetLastError();
        *why = SystemError(("cannot examine " + Ansi(path)).c_str(), error_);
        return false;
    }
    error_ = ERROR_CANT_ACCESS_FILE;  // for the refusals below
    // A root is the drive itself (Wine shows the link behind a drive letter as its name's).
    const bool root = handles_.empty();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        (!root && NameIsReparsePoint(path))) {
        *why = Ansi(path) + " is a link (reparse point), not a folder of its own";
        return false;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
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

bool Writes(DWORD access) {
    return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}
}  // namespace

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
    ScopedHandle file(CreateFileW(full.c_str(), access, share, nullptr, disposition,
                                  flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        *why = SystemError(("cannot open " + Ansi(full)).c_str(), error);
        SetLastError(error);
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info)) {
        const DWORD error = GetLastError();
        *why = SystemError(("cannot examine " + Ansi(full)).c_str(), error);
        SetLastError(error);
        return ScopedHandle();
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || NameIsReparsePoint(full)) {
        *why = Ansi(full) + " is a link (reparse point), not a file of its own";
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *why = Ansi(full) + " is a folder";
    } else if (Writes(access) && info.nNumberOfLinks > 1) {
        *why = Ansi(full) + " has " + std::to_string(info.nNumberOfLinks) +
               " names (hard links): writing it would change another file too";
    } else {
        return file;
    }
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
}

bool DeleteFileNoFollow(const std::wstring& path, std::string* why) {
    const std::wstring full = FullPath(path);
    const std::wstring parent = ParentOf(full);
    HeldFolders folders;
    if (parent.empty()) {
        *why = Ansi(path) + " is not a file path";
        return false;
    }
    if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return true;  // nothing there, through links or not: nothing is deleted
        }
    }
    if (!folders.Open(parent, why)) {
        return false;
    }
    // The name itself goes: a link is removed, not what it points to.
    if (DeleteFileW(full.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    *why = SystemError(("cannot delete " + Ansi(full)).c_str(), GetLastError());
    return false;
}
