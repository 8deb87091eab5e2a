#pragma once
// The installer's channel identifier and its marker file channel.dat.
#include <string>

// "000000238".
std::string GetChannelId();

// Writes exactly the nine identifier bytes to folder\channel.dat, replacing any earlier
// contents. A folder that cannot be written is silently skipped (the download goes on);
// the result only tells tests whether the file was written.
bool WriteChannelFile(const std::wstring& folder);
