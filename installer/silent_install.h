#pragma once
// A run without window (/S): the configuration, the machine's checks, the download and the
// package run as the window's flow does them, sending the same reports, but with no question
// asked: where the window would ask, the run ends with the exit code of that outcome. It
// creates no top-level window, loads no skin image and no font, and never opens the installed
// program; its output is the log and the exit code.
#include <string>

#include "installer/silent_limits.h"

// Runs the install into folder ("" = the usual default) and ends the process with its exit
// code. The caller has opened the log and initialised COM.
[[noreturn]] void RunSilentInstall(const std::wstring& folder, const SilentLimits& limits);
