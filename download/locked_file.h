#pragma once
// A downloaded file read through a handle that keeps it as it is: while the handle is open,
// other openers may read the file but cannot write to it, delete it or rename it.
#include <windows.h>

#include <string>

#include "app/scoped_handles.h"

// Opens path (ANSI code page) for reading, sharing read access only. An invalid handle and an
// E line tagged `tag` when it cannot be opened (missing, or open for writing elsewhere).
ScopedHandle OpenFileLocked(const std::string& path, const char* tag);

// MD5 of the whole file read through the handle from its start, as lowercase hexadecimal; ""
// when a read fails. Leaves the file position at the end.
std::string HandleMD5(HANDLE file);

// True when both handles (or the handle and the file the path names now) are the same file.
bool SameFile(HANDLE a, HANDLE b);
bool HandleNamesPath(HANDLE file, const std::wstring& path);
