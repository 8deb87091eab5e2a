#pragma once
// Sends the log to a temporary file for the lifetime of the object and reads it back.
#include <cstdio>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every line written so far, without line ends.
    std::vector<std::string> lines() const;
    // Lines whose text after the " -- " separator equals / starts with / contains the text,
    // optionally limited to one level tag such as "E/".
    int countExact(const std::string& message, const char* level = nullptr) const;
    int countStartingWith(const std::string& prefix, const char* level = nullptr) const;
    int countContaining(const std::string& part, const char* level = nullptr) const;
    std::string dump() const;

private:
    std::FILE* file_;
    std::FILE* previous_;
};

// The message part of a log line (after "T/Tag -- "); "" when the line has no separator.
std::string LogMessageOf(const std::string& line);
// The level tag of a log line ("T/" ...).
std::string LogLevelOf(const std::string& line);
