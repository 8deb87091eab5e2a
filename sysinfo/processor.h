#pragma once
// Processor facts for the hardware profile and the processor support check.
#include <string>

// The name Windows stores for processor 0, blanks included. The last name read successfully
// is kept: a later failed read gives it again ("" if no read ever succeeded).
std::wstring GetProcessorName();
// The same in the ANSI code page.
std::string GetProcessorNameAnsi();
// Number of logical processors, in decimal.
std::string GetProcessorCount();
