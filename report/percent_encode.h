#pragma once
#include <string>

// Every byte but ASCII letters, digits and - _ . / : & ? = ~ becomes %XX (upper-case hex).
// The whole address is walked, scheme and host included.
std::string PercentEncodeUrl(const std::string& url);
