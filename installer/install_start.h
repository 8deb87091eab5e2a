#pragma once
// Starting one install attempt, for the main window and for a run without window alike.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/install_flow.h"
#include "installer/install_settings.h"

// A new downloader for the configured packages, saved as Setup.exe in the package folder, the
// channel file beside it, then the download and progress threads. folder is the destination
// as the user left it; window the main window, or none for a run without window. Without a
// safe package folder the job downloads nothing and ends as a package that did not run.
std::shared_ptr<InstallJob> StartInstallJob(const std::vector<PackageEntry>& packages,
                                            const std::wstring& folder, HWND window, bool chinese);
