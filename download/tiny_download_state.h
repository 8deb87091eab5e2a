#pragma once
// What the parts of the downloader share privately: the state one transfer or length probe
// shares with its libcurl callbacks, and small helpers. Not for use outside download/.
#include <cstring>
#include <memory>
#include <string>

#include "download/http_answer.h"
#include "download/package_file.h"
#include "download/scoped_curl.h"
#include "download/tiny_download.h"

namespace tiny_download_detail {

using ::ScopedCurl;

// Bounded copy into a fixed field; false (and nothing copied) when the text does not fit.
template <size_t N>
bool CopyField(char (&field)[N], const char* text) {
    size_t length = strnlen(text, N);
    if (length >= N) {
        return false;
    }
    std::memcpy(field, text, length + 1);
    return true;
}

}  // namespace tiny_download_detail

// What the libcurl callbacks of one transfer or probe share with the worker.
struct CTinyDownload::TransferState {
    TransferState(CTinyDownload* o, CURL* h, bool transfer)
        : owner(o), handle(h), isTransfer(transfer) {}

    CTinyDownload* owner;
    CURL* handle;
    bool isTransfer;  // false for the length probe
    bool pausedNow = false;
    curl_off_t lastNow = 0;
    DWORD lastActivity = GetTickCount();

    // The transfer only.
    PackageFile* file = nullptr;
    const std::string* path = nullptr;
    uint64_t offset = 0;  // where this transfer's bytes start in the file
    uint64_t total = 0;   // the file's length by the probe
    uint64_t written = 0;
    HttpAnswer answer;
    bool accepted = false;  // the answer carries the asked bytes
    bool rejected = false;  // ... or it does not
    bool overlong = false;  // the server sent more than the file's length
    bool diskFull = false;  // a write was refused for lack of room
};
