#pragma once
// A signed configuration names the channel it was published for: `channel=release` or
// `channel=test` in its [full] section. An installer takes only a configuration of the channel
// it chose at start (the marker file), so the test configuration, though validly signed, is
// refused at the release address (and the other way round), and each channel remembers its
// own accepted serial.
#include <string>

enum class ConfigChannel { Release, Test };

// "release" or "test": the value in the configuration and in log lines.
const char* ChannelName(ConfigChannel channel);

// The channel of this run's configuration selection.
ConfigChannel SelectedChannel();

// Empty when named (the configuration's `channel` value) is expected; otherwise why not, for
// the log line.
std::string ChannelRefusal(const std::string& named, ConfigChannel expected);
