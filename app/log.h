#pragma once
// The installer's diagnostic log: one complete line per statement on standard output
// (which start-up reopens on the log file). Format of a line:
//   "HH:MM:SS[pid.tid] " + level tag ("T/", "D/", "I/", "W/", "E/") + component tag + " -- " + text
#include <cstdio>
#include <ctime>
#include <string>
#include <type_traits>

enum class LogLevel { Trace, Debug, Info, Warning, Error };

// Two-character tag written for a level ("T/" ... "E/").
const char* LogLevelTag(LogLevel level);

// The prefix "%02d:%02d:%02d[%u.%u] " for the given local time and ids.
std::string FormatLogPrefix(const std::tm& localTime, unsigned processId, unsigned threadId);

// Formats and writes one line; never fails visibly.
void WriteLogLine(LogLevel level, const char* tag, const std::string& message);

// Where lines go; standard output unless a test redirects them. Returns the previous stream.
std::FILE* SetLogStream(std::FILE* stream);

namespace logdetail {
inline void Append(std::string& out, const std::string& s) {
    out += s;
}
inline void Append(std::string& out, const char* s) {
    out += (s ? s : "");
}
inline void Append(std::string& out, char c) {
    out += c;
}
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
inline void Append(std::string& out, T value) {
    out += std::to_string(value);
}
template <typename... Pieces>
std::string Compose(const Pieces&... pieces) {
    std::string text;
    (Append(text, pieces), ...);
    return text;
}
}  // namespace logdetail

template <typename... Pieces>
void Log(LogLevel level, const char* tag, const Pieces&... pieces) {
    WriteLogLine(level, tag, logdetail::Compose(pieces...));
}
template <typename... Pieces>
void LogT(const char* tag, const Pieces&... pieces) {
    Log(LogLevel::Trace, tag, pieces...);
}
template <typename... Pieces>
void LogD(const char* tag, const Pieces&... pieces) {
    Log(LogLevel::Debug, tag, pieces...);
}
template <typename... Pieces>
void LogI(const char* tag, const Pieces&... pieces) {
    Log(LogLevel::Info, tag, pieces...);
}
template <typename... Pieces>
void LogW(const char* tag, const Pieces&... pieces) {
    Log(LogLevel::Warning, tag, pieces...);
}
template <typename... Pieces>
void LogE(const char* tag, const Pieces&... pieces) {
    Log(LogLevel::Error, tag, pieces...);
}
