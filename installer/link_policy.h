#pragma once
// Which web addresses the installer opens for the user. The agreement, manual-download and
// forum links come from the remote configuration or the build; the installer runs as
// administrator, so an address that is a local program, a share or another scheme would run
// with those rights. Only https, or plain http to one of the build's own hosts, is opened.
#include <string>
#include <vector>

// The hosts the build talks to or names (update, package, reporting, web site, forum), lower case.
const std::vector<std::string>& ConfiguredLinkHosts();

// "" when `url` may be opened; else why not (for the log line).
std::string LinkRefusal(const std::wstring& url, const std::vector<std::string>& hosts);
