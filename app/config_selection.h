#pragma once
// Release or test configuration of this run, chosen once before WinMain from the marker file
// "test_ver_key" in the working directory.
#include <string>

struct ConfigSelection {
    std::string configUrl;     // address of the remote configuration
    std::wstring windowTitle;  // native text of the main window and the message boxes
    int isTest = 0;            // 1 when the test configuration is in use
};

// Looks at the working directory now: a file (not a folder) named "test_ver_key" selects the
// test values. Logs nothing (it runs before the log is redirected).
ConfigSelection SelectConfiguration();

// Why a marker file was not taken (it or a folder on its way is a link), for the log once it
// is open; "" when nothing was refused.
std::string ConfigMarkerNote();

// The process-wide selection, made during static initialisation and never changed afterwards.
const ConfigSelection& GetConfigSelection();

// "<scheme>://<host>" of the update server, as the build set it (cmake/VelmoraSettings.cmake).
const char* ConfiguredUpdateOrigin();
