#pragma once
// The folder that holds the downloaded package (Setup.exe) and its sidecar.
#include <string>

// Full path of the package folder, without a trailing backslash, created if need be; empty
// (with a log line saying why) when no folder can be had.
std::wstring PreparePackageFolder();
