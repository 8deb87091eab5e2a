#pragma once
#include <string>

// One fire-and-forget GET of url as given (no encoding). Failures are logged, never thrown:
// a report that cannot be made must not end the program.
void SendReportRequest(const std::string& url);
