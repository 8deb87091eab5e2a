#pragma once
// Files opened, listed and deleted relative to a folder handle that is held, never by a path
// looked up again. A path is resolved anew at every use: a folder on it that someone replaced by
// a link in between sends the second use elsewhere. A name looked up in a held folder stays in
// that folder, whatever its path leads to by then, and a link by that name is opened as itself
// (FILE_OPEN_REPARSE_POINT), not as what it points to. Uses ntdll's native calls, looked up at
// run time (all of them exist on XP).
#include <windows.h>

#include <string>
#include <vector>

#include "app/scoped_handles.h"

// What NtCreateFile is asked for; see its documentation for the values.
struct RelativeOpen {
    ACCESS_MASK access = 0;
    ULONG share = 0;
    ULONG disposition = 1;  // FILE_OPEN
    ULONG options = 0;      // FILE_OPEN_REPARSE_POINT and FILE_SYNCHRONOUS_IO_NONALERT are added
    ULONG attributes = FILE_ATTRIBUTE_NORMAL;
    PSECURITY_DESCRIPTOR security = nullptr;  // given to what the open creates
};

// Opens `name` in the held folder `folder`. `name` is one name (no separator, no wildcard; ""
// opens the folder itself again). Invalid with *error (a Win32 code) when the system refuses;
// *created tells whether the open made it.
ScopedHandle OpenRelative(HANDLE folder, const std::wstring& name, const RelativeOpen& how,
                          DWORD* error, bool* created = nullptr);

// Marks an open handle (opened with DELETE) for deletion: the name it was opened by goes when
// the last handle to it is closed. A link opened as itself goes as a link.
bool DeleteOpened(HANDLE file, DWORD* error);

// Opens `name` in `folder` as itself and deletes it. True when it is gone or was not there.
bool DeleteRelative(HANDLE folder, const std::wstring& name, DWORD* error);

// The attributes and the number of names of an open file, asked of the handle alone (no name
// is looked up again, as GetFileInformationByHandle does under Wine).
bool ExamineOpened(HANDLE file, DWORD* attributes, DWORD* links, DWORD* error);

// Deletes the entry `name` of `folder` as DeleteRelative does, and first, when it is a folder
// of its own (not a link), everything in it, never following a link (a link goes as a link).
// At most `depth` levels of folders are gone into.
bool DeleteTreeRelative(HANDLE folder, const std::wstring& name, DWORD* error, int depth = 16);

struct FolderEntry {
    std::wstring name;
    DWORD attributes = 0;  // FILE_ATTRIBUTE_*, as the folder lists them
};

// The entries of a held folder ("." and ".." left out), read through a handle of its own
// opened from it, or with `name` only that entry (an empty list when there is none).
bool ListFolder(HANDLE folder, std::vector<FolderEntry>* entries, DWORD* error,
                const std::wstring& name = std::wstring());

// True for a name that OpenRelative takes: not empty, not "." or "..", no separator and no
// wildcard.
bool IsPlainName(const std::wstring& name);
