#pragma once
// A downloaded file read through a handle that keeps it as it is: while the handle is open,
// other openers may read the file but cannot write to it, delete it or rename it.
#include <windows.h>

#include <string>

#include "app/scoped_handles.h"

// False when the open file is a link (reparse point), or, when it is `written`, has more than one
// name (hard link): such a file is not the download's own, and writing it would write another.
bool IsFileOfItsOwn(HANDLE file, bool written);

// The sidecar as a text stream, opened without following a link: for reading ("r"), refusing a
// link (then null, with GetLastError() ERROR_CANT_ACCESS_FILE), or for writing from empty ("w+"),
// where a link or a file with other names is replaced by a file of its own (the name removed).
ScopedFile OpenTextFileNoFollow(const std::string& path, bool write);

// Opens path (ANSI code page) for reading, sharing read access only. An invalid handle and an
// E line tagged `tag` when it cannot be opened (missing, or open for writing elsewhere) or the
// name is a link.
ScopedHandle OpenFileLocked(const std::string& path, const char* tag);

// MD5 of the whole file read through the handle from its start, as lowercase hexadecimal; ""
// when a read fails. Leaves the file position at the end.
std::string HandleMD5(HANDLE file);

// True when both handles (or the handle and the file the path names now) are the same file.
bool SameFile(HANDLE a, HANDLE b);
bool HandleNamesPath(HANDLE file, const std::wstring& path);

// Takes over a file just written and checked through `written` (which let others only read it)
// and returns a handle that reads it and still lets others only read it, with no moment between
// the two in which another process could change the file. A program file is mapped as an image
// through `written` before that handle is closed: while the image is mapped nobody can open the
// file for writing, and the new handle then must name the same file with the same length. For
// any other file `*readAgain` is set: the caller must check the bytes again through the returned
// handle. An invalid handle and an E line tagged `tag` when the file cannot be held.
ScopedHandle HoldWrittenFile(ScopedHandle written, const std::string& path, uint64_t length,
                             const char* tag, bool* readAgain);
