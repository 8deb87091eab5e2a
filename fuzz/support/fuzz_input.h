#pragma once
// Turning fuzzer bytes into the 16-bit text units the Windows build works with, and checks of
// values the Windows build keeps in 32 bits.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora_fuzz {

// Bytes after a UTF-16LE byte order mark (FF FE) are taken as raw 16-bit units, so every unit
// value is reachable; anything else is decoded as UTF-8 the way layout files are. The result is
// terminated by a 0 unit (units after an embedded 0 are kept).
std::vector<wchar_t> WideUnits(const std::uint8_t* data, std::size_t size);

// Stops the run (a finding) when a value the Windows build holds in a 32-bit LONG does not fit:
// the 64-bit arithmetic here hid an overflow there.
void CheckFits32(long value, const char* what);
void CheckFits32(const RECT& rect, const char* what);

// When set, the text stand-in's TextOutW appends what it is given here (what a painter drew).
extern std::wstring* drawnText;

}  // namespace velmora_fuzz
