#pragma once
// Model and serial number of a physical drive, read with the ATA identify command.
#include <cstddef>
#include <cstdint>
#include <string>

struct DiskIdentity {
    char model[64];
    char serial[64];
};

// Reads drive number drive (\\.\PHYSICALDRIVE<n>) into the process-wide identity.
// 0 on success; -1 the drive cannot be opened (needs administrator rights), -2 it has no
// SMART-capable IDE device, -3 the identify command failed. A failed read keeps the previous
// identity.
int ReadDiskIdentity(int drive);

// A copy of the process-wide identity (zero-filled until a read succeeds).
DiskIdentity GetDiskIdentity();

// The serial of drive 0 after a fresh read ("" until a read has succeeded).
std::string GetDiskSerial();

// The ATA text held in words first..last of identify data: each word high byte first, with
// every NUL and blank removed, also inside the text.
std::string AtaString(const uint16_t* words, size_t first, size_t last);
