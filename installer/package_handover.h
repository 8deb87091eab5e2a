#pragma once
// Taking the verified setup package from the downloader for its run, and setting a refused
// package aside.
#include <windows.h>

#include <string>

#include "app/scoped_handles.h"

class CTinyDownload;

// The downloader's verified file, still open and sharing read access only, provided it is the
// file setupPath names and its folder is still as this installer left it
// (CheckPackageFolderBeforeRun). Invalid, with an E line saying why, when there is no such file
// (the item was refused, was never verified, or setupPath names another file) or the folder
// holds something else or has other rights.
ScopedHandle TakeVerifiedPackage(CTinyDownload& downloader, const std::wstring& setupPath);

// Closes the held package and moves it to setupPath + ".rejected" (or deletes it), so that the
// next attempt downloads it again instead of finding it complete.
void SetPackageAside(ScopedHandle held, const std::wstring& setupPath);

// The folder of a file path ("" when it has no backslash).
std::wstring FolderOf(const std::wstring& path);
