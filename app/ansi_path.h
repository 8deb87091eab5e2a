#pragma once
// Narrow paths in the ANSI code page, walked by character rather than by byte: in the
// double-byte code pages (936, 932, 949, 950) the second byte of a character may be 0x5C, the
// byte of '\', which is not a separator there.
#include <windows.h>

#include <string>
#include <vector>

// Offset of the character after the one starting at offset (a lead byte at the very end
// counts as one character of its own).
size_t NextAnsiChar(const std::string& path, size_t offset, UINT codePage = CP_ACP);

// Offsets of the '\' characters of path, in order.
std::vector<size_t> AnsiPathSeparators(const std::string& path, UINT codePage = CP_ACP);

// Offset of the last '\' character, or std::string::npos when there is none.
size_t LastAnsiPathSeparator(const std::string& path, UINT codePage = CP_ACP);

// Whether the last character of path is '\'.
bool EndsWithAnsiPathSeparator(const std::string& path, UINT codePage = CP_ACP);
