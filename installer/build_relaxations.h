#pragma once
// What a development or test build leaves relaxed that a release build (-DVELMORA_RELEASE=ON)
// refuses to leave out, written as a W line at the start of every run's log so a log read later
// shows it was not a shipped build.
#include <string>

// "" for a release build; else the relaxed points, separated by "; ".
std::string BuildRelaxations();

// The "development build: ..." W line (nothing in a release build).
void LogBuildRelaxations();
