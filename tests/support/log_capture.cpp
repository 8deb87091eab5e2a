#include "tests/support/log_capture.h"

#include "app/log.h"

LogCapture::LogCapture() : file_(std::tmpfile()) {
    previous_ = SetLogStream(file_);
}

LogCapture::~LogCapture() {
    SetLogStream(previous_);
    if (file_) {
        std::fclose(file_);
    }
}

std::vector<std::string> LogCapture::lines() const {
    std::vector<std::string> result;
    if (!file_) {
        return result;
    }
    std::fflush(file_);
    long end = std::ftell(file_);
    std::string text(static_cast<size_t>(end), '\0');
    std::rewind(file_);
    size_t got = std::fread(&text[0], 1, text.size(), file_);
    text.resize(got);
    std::fseek(file_, 0, SEEK_END);
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            nl = text.size();
        }
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        result.push_back(line);
        start = nl + 1;
    }
    return result;
}

std::string LogMessageOf(const std::string& line) {
    size_t sep = line.find(" -- ");
    return sep == std::string::npos ? std::string() : line.substr(sep + 4);
}

std::string LogLevelOf(const std::string& line) {
    size_t blank = line.find("] ");
    return blank == std::string::npos ? std::string() : line.substr(blank + 2, 2);
}

namespace {
template <typename Pred>
int CountLines(const LogCapture& log, const char* level, Pred pred) {
    int n = 0;
    for (const std::string& line : log.lines()) {
        if (level && LogLevelOf(line) != level) {
            continue;
        }
        if (pred(LogMessageOf(line))) {
            ++n;
        }
    }
    return n;
}
}  // namespace

int LogCapture::countExact(const std::string& message, const char* level) const {
    return CountLines(*this, level, [&](const std::string& m) { return m == message; });
}

int LogCapture::countStartingWith(const std::string& prefix, const char* level) const {
    return CountLines(*this, level, [&](const std::string& m) {
        return m.compare(0, prefix.size(), prefix) == 0;
    });
}

int LogCapture::countContaining(const std::string& part, const char* level) const {
    return CountLines(*this, level,
                      [&](const std::string& m) { return m.find(part) != std::string::npos; });
}

std::string LogCapture::dump() const {
    std::string all;
    for (const std::string& line : lines()) {
        all += line + "\n";
    }
    return all;
}
