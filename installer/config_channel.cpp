#include "installer/config_channel.h"

#include "app/config_selection.h"

const char* ChannelName(ConfigChannel channel) {
    return channel == ConfigChannel::Test ? "test" : "release";
}

ConfigChannel SelectedChannel() {
    return GetConfigSelection().isTest ? ConfigChannel::Test : ConfigChannel::Release;
}

std::string ChannelRefusal(const std::string& named, ConfigChannel expected) {
    const std::string wanted = ChannelName(expected);
    if (named == wanted) {
        return std::string();
    }
    if (named.empty()) {
        return "no channel (this installer takes " + wanted + ")";
    }
    const ConfigChannel other =
        expected == ConfigChannel::Test ? ConfigChannel::Release : ConfigChannel::Test;
    if (named == ChannelName(other)) {
        return "it is for the " + named + " channel, this installer takes " + wanted;
    }
    // Bounded: the text comes from the configuration.
    return "channel \"" + named.substr(0, 40) + "\" is unknown (this installer takes " + wanted +
           ")";
}
