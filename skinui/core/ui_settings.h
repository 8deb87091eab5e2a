#pragma once
// Process-wide settings of the framework: instances, font face, and where images named without
// a resource type come from (nowhere unless a host that draws its own files says so).
#include <windows.h>

#include <string>
#include <vector>

namespace SkinUI {

HINSTANCE GetProgramInstance();
void SetProgramInstanceHandle(HINSTANCE instance);
// The module skin resources are read from: the resource instance if set, else the program's.
HINSTANCE GetResourceModule();
void SetResourceInstanceHandle(HINSTANCE instance);
// Skin images are read from the program's resources. A host may hand the framework the bytes
// of images it names without a resource type (tests draw their own files); the installer never
// does, so such a name is an error there and nothing is looked up on disk.
using UntypedImageSource = bool (*)(const wchar_t* name, std::vector<unsigned char>& bytes);
UntypedImageSource GetUntypedImageSource();
void SetUntypedImageSource(UntypedImageSource source);
const std::wstring& GetDefaultFontFaceName();
void SetDefaultFontFaceName(const wchar_t* face);

}  // namespace SkinUI
