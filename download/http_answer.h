#pragma once
// What the answer to a package request says about the bytes that follow: the status of the
// final response and its Content-Range, gathered from the header lines libcurl hands over.
#include <cstddef>
#include <cstdint>
#include <string>

struct HttpAnswer {
    int status = 0;  // of the latest status line; 0 before one arrived
    bool hasRange = false;
    uint64_t rangeFirst = 0;  // Content-Range: bytes <first>-<last>/<total>
    int64_t rangeTotal = -1;  // -1 when the total is "*" or missing
    bool hasLocation = false;
    bool ended = false;  // the headers of this response are complete

    // Takes one header line (line end included). A status line starts a new response. True
    // once, at the empty line ending the headers of a response that carries the body, that is
    // neither an interim (1xx) answer, a redirect that libcurl follows,
    // nor a proxy's 407.
    bool AddHeaderLine(const char* line, size_t length);
    // "HTTP 503" or "HTTP 206, Content-Range from 1 of 800000", for log lines.
    std::string Describe() const;
};

enum class AnswerVerdict {
    Append,   // the asked part: append it
    Restart,  // the whole file (the server ignores ranges): the file starts over
    Reject,   // anything else: keep the local file as it is
};

// How to treat the body answering a GET for the file from offset on (no Range header when
// offset is 0), the file being total bytes long by the length probe: a 206 for exactly that
// offset (and that total, when it names one) is appended; a 200 starts the file over (or just
// begins it at offset 0); every other answer is rejected.
AnswerVerdict JudgeAnswer(const HttpAnswer& answer, uint64_t offset, uint64_t total);
