#pragma once
// Loads a DLL from the Windows system folder by its full path, never from the folder the
// installer was started from (usually Downloads, where anyone can drop a DLL of that name).
#include <windows.h>

#include "app/scoped_handles.h"  // ScopedLibrary frees what LoadSystemLibrary loads

// LoadLibraryW of "<system folder>\<name>", e.g. LoadSystemLibrary(L"d3d9.dll"). Null when the
// system folder cannot be read, the path would not fit, or the DLL is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);
