#include "download/http_answer.h"

#include <cstdlib>
#include <cstring>

namespace {
bool StartsWithNoCase(const char* line, size_t length, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (length < n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Reads a decimal number at text[*at], moving past it; false without a digit.
bool ReadNumber(const std::string& text, size_t* at, uint64_t* value) {
    size_t i = *at;
    uint64_t v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (v > (UINT64_MAX - 9) / 10) {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
        ++i;
    }
    if (i == *at) {
        return false;
    }
    *at = i;
    *value = v;
    return true;
}
}  // namespace

bool HttpAnswer::AddHeaderLine(const char* line, size_t length) {
    if (StartsWithNoCase(line, length, "http/")) {
        *this = HttpAnswer();
        const char* space = static_cast<const char*>(std::memchr(line, ' ', length));
        if (space) {
            const std::string rest(space + 1, static_cast<size_t>(line + length - (space + 1)));
            status = std::atoi(rest.c_str());
        }
        return false;
    }
    if (StartsWithNoCase(line, length, "location:")) {
        hasLocation = true;
        return false;
    }
    if (StartsWithNoCase(line, length, "content-range:")) {
        std::string value(line + 14, length - 14);
        size_t at = value.find_first_not_of(" \t");
        hasRange = false;
        rangeTotal = -1;
        if (at == std::string::npos || value.compare(at, 6, "bytes ") != 0) {
            return false;
        }
        at += 6;
        uint64_t first = 0;
        uint64_t last = 0;
        if (!ReadNumber(value, &at, &first) || at >= value.size() || value[at++] != '-' ||
            !ReadNumber(value, &at, &last) || at >= value.size() || value[at++] != '/') {
            return false;
        }
        hasRange = true;
        rangeFirst = first;
        uint64_t total = 0;
        if (ReadNumber(value, &at, &total) && total <= static_cast<uint64_t>(INT64_MAX)) {
            rangeTotal = static_cast<int64_t>(total);
        }
        return false;
    }
    const bool blank = length == 0 || (length <= 2 && (line[0] == '\r' || line[0] == '\n'));
    if (!blank || status == 0 || ended) {
        return false;  // (a trailer's empty line does not end the response again)
    }
    const bool interim = status >= 100 && status < 200;
    const bool followed = status >= 300 && status < 400 && hasLocation;
    // A proxy's 407 is never the server's answer: libcurl answers it with credentials and asks
    // again, or the transfer ends without a body taken.
    const bool proxyAsks = status == 407;
    ended = !interim && !followed && !proxyAsks;
    return ended;
}

std::string HttpAnswer::Describe() const {
    std::string text = "HTTP " + std::to_string(status);
    if (hasRange) {
        text += ", Content-Range from " + std::to_string(rangeFirst) + " of " +
                (rangeTotal < 0 ? std::string("*") : std::to_string(rangeTotal));
    }
    return text;
}

AnswerVerdict JudgeAnswer(const HttpAnswer& answer, uint64_t offset, uint64_t total) {
    const int status = answer.status;
    if (status == 200) {
        return offset == 0 ? AnswerVerdict::Append : AnswerVerdict::Restart;
    }
    if (status == 206 && answer.hasRange && answer.rangeFirst == offset &&
        (answer.rangeTotal < 0 || static_cast<uint64_t>(answer.rangeTotal) == total)) {
        return AnswerVerdict::Append;
    }
    return AnswerVerdict::Reject;
}
