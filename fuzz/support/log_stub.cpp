// The log of the code under the fuzzers goes nowhere.
#include "app/log.h"

void WriteLogLine(LogLevel, const char*, const std::string&) {}
