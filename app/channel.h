#pragma once
// The installer's channel identifier and its marker file channel.dat.
#include <string>

// "000000238".
std::string GetChannelId();

// Writes exactly the nine identifier bytes to folder\channel.dat, replacing any earlier
// contents. A folder that cannot be written is silently skipped (the download goes on); a
// channel.dat that is a link or has other names (hard links) is not written (W line);
// the result only tells tests whether the file was written.
bool WriteChannelFile(const std::wstring& folder);
