#pragma once
// The command line's usage text, and where it is shown: standard output when the installer has
// one (a pipe or file it inherited, or the console of the program that started it), otherwise
// a message box.
#include <string>

// The whole text, exit codes included; lines end in CR LF.
std::string UsageText();

// The short form for a message box.
std::wstring UsageBoxText();

// Keeps the standard output the process was started with, for WriteToStandardOutput after the
// log has become the C runtime's stdout. Called first thing, before the log is opened.
void KeepStandardOutput();

// Writes text to the inherited standard output (the one kept, else the current one) or the
// parent's console; false when there is neither.
bool WriteToStandardOutput(const std::string& text);
