#pragma once
// The average download speed, reported once per completed download to the down_speed
// endpoint.
#include <string>

// Average of transferBytes over sampleCount samples in KiB/s: bytes / count truncated to a
// 32-bit integer (clamped to its range), then / 1024. -1 when sampleCount is below 1.
int ComputeSpeedKiB(double transferBytes, int sampleCount);

// endpoint + the six query keys.
std::string ComposeSpeedReportUrl(const std::string& endpoint, int number, const std::string& mac,
                                  int speedKiB);

// Queues the report for the bytes of the current transfer, divided by SpeedSampleCount as it
// is now, for the report thread; queues nothing when no speed value was shown (count 1). The
// report thread logs the address, "Time:" and "Speed:".
void SendSpeedReport(double transferBytes);
