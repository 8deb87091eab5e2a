#pragma once
// Keeps DLLs planted in the installer's own folder (usually Downloads) out of the process. The
// installer runs as administrator, so a DLL loaded from there would run with those rights.
//
// Three parts: the search order of LoadLibrary is narrowed to the system folder as early as
// possible; DLLs loaded at run time are loaded by full path (app/system_library.h); and the
// imported DLLs that Windows does not protect are delay-loaded (cmake/VelmoraDelayLoad.cmake)
// and resolved from the system folder (app/delay_import.cpp).

enum class DllSearchMode {
    kSystemFolderOnly,  // SetDefaultDllDirectories: bare names resolve in the system folder only
    kNoCurrentFolder,   // SetDllDirectoryW(""): Windows XP; the current folder is left out
    kUnchanged,         // neither function exists
};

// Narrows the search; safe to call more than once. Also runs by itself before any other static
// initialiser of a program that links this file.
DllSearchMode RestrictDllSearch();

const char* DllSearchModeName(DllSearchMode mode);
