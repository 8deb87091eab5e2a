#include "app/log.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<std::FILE*> g_stream{nullptr};
}

const char* LogLevelTag(LogLevel level) {
    switch (level) {
        case LogLevel::Trace:
            return "T/";
        case LogLevel::Debug:
            return "D/";
        case LogLevel::Info:
            return "I/";
        case LogLevel::Warning:
            return "W/";
        case LogLevel::Error:
            return "E/";
    }
    return "?/";
}

std::string FormatLogPrefix(const std::tm& t, unsigned processId, unsigned threadId) {
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d[%u.%u] ", t.tm_hour, t.tm_min, t.tm_sec,
                  processId, threadId);
    return prefix;
}

std::FILE* SetLogStream(std::FILE* stream) {
    return g_stream.exchange(stream);
}

void WriteLogLine(LogLevel level, const char* tag, const std::string& message) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* t = std::localtime(&now)) {  // per-thread buffer in the MS runtime
        local = *t;
    }
    std::string line = FormatLogPrefix(local, static_cast<unsigned>(GetCurrentProcessId()),
                                       static_cast<unsigned>(GetCurrentThreadId()));
    line += LogLevelTag(level);
    line += tag ? tag : "";
    line += " -- ";
    line += message;
    // The line end goes out in the same write as the text, so two threads' lines can
    // neither interleave nor share a line.
    line += '\n';
    std::FILE* out = g_stream.load();
    if (!out) {
        out = stdout;
    }
    std::fwrite(line.data(), 1, line.size(), out);
    std::fflush(out);
}
