#pragma once
// Reading a whole file into memory with a size limit.
#include <windows.h>

#include <vector>

namespace SkinUI {

enum class FileReadResult { kOk, kOpenFailed, kEmpty, kTooLarge, kShortRead };

FileReadResult ReadWholeFile(const wchar_t* path, DWORD maxSize, std::vector<unsigned char>& bytes);

}  // namespace SkinUI
