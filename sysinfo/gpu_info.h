#pragma once
// The graphics adapter as Direct3D 9 identifies it.
#include <cstdint>
#include <string>

struct GpuInfo {
    std::string description;  // adapter name
    std::string driver;       // display driver's file name
    uint32_t product = 0;
    uint32_t version = 0;
    uint32_t subVersion = 0;
    uint32_t build = 0;
};

// Fills info from the one display adapter. False (strings left empty) when Direct3D 9 is
// missing, when there is no adapter or more than one, or when the adapter cannot be identified.
bool QueryGpuInfo(GpuInfo& info);

// The adapter's name and driver, from one query made on the first call of either (later calls
// on any thread get the same texts).
std::string GetGpuName();
std::string GetGpuDriver();
