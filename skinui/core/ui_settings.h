#pragma once
// Process-wide settings of the framework: instances, resource folder and archive, font face.
#include <windows.h>

#include <string>

namespace SkinUI {

HINSTANCE GetProgramInstance();
void SetProgramInstanceHandle(HINSTANCE instance);
// The module skin resources are read from: the resource instance if set, else the program's.
HINSTANCE GetResourceModule();
void SetResourceInstanceHandle(HINSTANCE instance);
const std::wstring& GetSkinFolder();
void SetSkinFolderPath(const wchar_t* path);
const std::wstring& GetSkinArchiveName();
void SetSkinArchiveName(const wchar_t* name);
const std::wstring& GetDefaultFontFaceName();
void SetDefaultFontFaceName(const wchar_t* face);

}  // namespace SkinUI
