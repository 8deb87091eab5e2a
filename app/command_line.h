#pragma once
// The installer's command line: /S, /D=<folder>, /LOG=<file>, /? and /help; switches are
// case-insensitive and may start with '/' or '-'. /D= is taken as the setup packages take it:
// last on the line, the rest of the line is the folder (spaces included, no quotes; a switch
// quoted whole, "/D=C:\My Apps", is taken too, as launchers quote arguments with blanks). Other
// values may be quoted ("/LOG=C:\My logs\setup.log" or /LOG="C:\My logs\setup.log").
#include <string>

struct CommandLine {
    bool ok = true;          // false: the line cannot be used; the other fields hold what was
    std::wstring error;      // read all the same (/S included); error names the first fault
    bool silent = false;     // /S as a word anywhere on the line, even a line that is not ok
    bool usage = false;      // /? or /help
    bool hasFolder = false;  // /D= given
    std::wstring folder;     // its value as written (trailing blanks dropped)
    std::wstring logPath;    // /LOG= value, "" = the usual place
    bool any() const { return silent || usage || hasFolder || !logPath.empty() || !ok; }
};

// Parses the switches after the program name.
CommandLine ParseSwitches(const std::wstring& switches);
// Parses a whole command line as Windows gives it (GetCommandLineW): the program name,
// quoted or not, comes first and is skipped.
CommandLine ParseCommandLine(const std::wstring& line);
