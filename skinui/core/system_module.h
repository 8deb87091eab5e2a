#pragma once
// Loads a Windows DLL from the system folder by its full path, never from the program's own
// folder, where anyone may have put a DLL of the same name.
#include <windows.h>

namespace SkinUI {

// LoadLibraryW of "<system folder>\<name>"; null when that fails.
HMODULE LoadSystemModule(const wchar_t* name);

}  // namespace SkinUI
