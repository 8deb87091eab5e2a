#pragma once
// Installed physical memory for the hardware profile.
#include <cstdint>
#include <string>

// Total physical memory in MiB, in decimal ("" when Windows cannot tell).
std::string GetTotalMemoryMB();
// bytes / 1024 / 1024, each step truncating; the low 32 bits of the quotient as "%d".
std::string FormatMemoryMB(uint64_t bytes);
