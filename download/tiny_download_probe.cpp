// One attempt at an item up to its transfer: the local length, the length probe of the server,
// the sidecar's ETag and the decision to resume, start again or accept the file on disk.
#include <cstring>

#include "app/log.h"
#include "download/curl_easy.h"
#include "download/locked_file.h"
#include "download/system_proxy.h"
#include "download/tls_policy.h"
#include "download/tiny_download.h"
#include "download/tiny_download_state.h"

using tiny_download_detail::CopyField;
using tiny_download_detail::ScopedCurl;

namespace {
const char kTag[] = "CTinyDownload";

bool ReadSidecar(const std::string& path, std::string* etag) {
    ScopedFile file = OpenTextFileNoFollow(path, false);  // text mode, as it was written
    if (!file) {
        if (GetLastError() == ERROR_CANT_ACCESS_FILE) {
            LogW(kTag, path, " is a link, not read");
        }
        return false;
    }
    etag->clear();
    char buffer[4096];
    size_t got;
    while (etag->size() < CTinyDownload::kMaxSidecarBytes &&
           (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        etag->append(buffer, got);
    }
    return true;
}

// The length probe's view of the headers: the ETag of the final response only.
struct ProbeHeaders {
    std::string etag;
};
}  // namespace

int64_t CTinyDownload::GetLocalFileLenth(const char* path) {
    LogT(kTag, "GetLocalFileLenth ", path);
    if (m_status.load() == DOWNLOADING) {
        LogT(kTag, "DOWNLOADING status, return m_curLocalFileLenth=", m_curLocalFileLenth);
        return m_curLocalFileLenth;
    }
    // The length from the folder entry: it is right also while another program (a virus
    // scanner, a second installer) has the file open and would make an open fail.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            LogW(kTag, "GetLocalFileLenth: no length, error=", static_cast<unsigned>(error));
        }
        return 0;
    }
    m_curLocalFileLenth =
        static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    LogT(kTag, "_filelength: ", m_curLocalFileLenth);
    return m_curLocalFileLenth;
}

FileLengthEtag CTinyDownload::GetTotalFileLenthEtag(const char* url) {
    FileLengthEtag result;
    ScopedCurl handle(curl_easy_init());
    if (!handle) {
        LogE(kTag, "GetTotalFileLenthEtag error, code=", static_cast<int>(CURLE_FAILED_INIT));
        return result;
    }
    CURL* h = handle.get();
    TransferState state(this, h, false);
    ProbeHeaders headers;
    curl_easy_setopt(h, CURLOPT_URL, url);
    curl_easy_setopt(h, CURLOPT_HEADER, 1L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    // The transfer follows redirects, so the probe must measure where they lead.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CTinyDownload::OnDiscardBody);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CTinyDownload::OnHeaderLine);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);  // a proxy's tunnel answer
    // The stall watch also bounds a probe that never gets an answer; a pause stops it.
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CTinyDownload::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    CURLcode code = CURLE_OK;
    // Once more when a proxy's 407 gave other credentials to answer with.
    for (int round = 0; round < CurlEasy::Request::kMaxProxyRounds; ++round) {
        headers.etag.clear();
        ApplySystemProxy(h, url);
        ApplyTlsPolicy(h, url);
        code = curl_easy_perform(h);
        if (AfterProxyAnswer(h, url) != ProxyAuthNext::Again) {
            break;
        }
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && PauseRequested()) {
        LogT(kTag, "GetTotalFileLenthEtag: stopped by a pause");
        return result;
    }
    if (code != CURLE_OK) {
        LogE(kTag, "GetTotalFileLenthEtag error, code=", static_cast<int>(code));
        return result;
    }
    // An error page's length is not the file's: only a 2xx answer measures it.
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        LogW(kTag, "GetTotalFileLenthEtag: the server answered HTTP ", status);
        return result;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    result.totalLength = static_cast<double>(length);
    result.etag = headers.etag;
    return result;
}

size_t CTinyDownload::OnHeaderLine(char* line, size_t size, size_t count, void* headers) {
    const size_t bytes = size * count;
    std::string& etag = static_cast<ProbeHeaders*>(headers)->etag;
    if (bytes >= 5 && std::memcmp(line, "HTTP/", 5) == 0) {
        etag.clear();  // a new response (after a redirect) brings its own
        return bytes;
    }
    const char* colon = static_cast<const char*>(std::memchr(line, ':', bytes));
    if (colon && static_cast<size_t>(colon - line) == 4 && std::memcmp(line, "ETag", 4) == 0) {
        etag.assign(colon + 1, static_cast<size_t>(line + bytes - (colon + 1)));
    }
    return bytes;
}

size_t CTinyDownload::OnDiscardBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

CTinyDownload::Attempt CTinyDownload::AttemptItem(int index, bool* bytesArrived) {
    SetStatus(IDLE);
    SpeedSampleCount = 1;
    const DownloadWork& work = m_works[index];
    const std::string path = work.savePath;
    const std::string url = work.url;
    const std::string sidecar = path + ".cfg";
    {
        AutoLock lock(m_lock);
        std::memset(&m_info, 0, sizeof m_info);
        m_received = 0;
        CopyField(m_info.url, work.url);
        CopyField(m_info.savePath, work.savePath);
        CopyField(m_info.md5, work.md5);
    }

    int64_t localLen = GetLocalFileLenth(path.c_str());
    FileLengthEtag probe = GetTotalFileLenthEtag(url.c_str());
    if (probe.totalLength == -1.0 || probe.totalLength < 0) {
        if (PauseRequested()) {
            return Attempt::RetryNow;  // probed again once resumed
        }
        LogW(kTag, "GetTotalFileLenthEtag failed! re-try.");
        return Attempt::Failed;
    }
    LogT(kTag, path);
    LogT(kTag, "localFileLen: ", localLen);
    LogI(kTag, "server support ETag: ", probe.etag);
    {
        AutoLock lock(m_lock);
        m_info.totalLength = probe.totalLength;
    }
    const uint64_t totalLen = static_cast<uint64_t>(probe.totalLength);
    LogT(kTag, "totalFileLen: ", totalLen);

    std::string lastEtag;
    bool discard = false;
    if (!ReadSidecar(sidecar, &lastEtag)) {
        LogW(kTag, "Can't open local etag file!");
        discard = true;
    } else {
        LogT(kTag, "lastETag=\"", lastEtag, "\", serverETag=\"", probe.etag, "\"");
        if (lastEtag != probe.etag) {
            LogT(kTag, "file changed on server, delete local file, redownload ...");
            discard = true;
        } else if (static_cast<uint64_t>(localLen) == totalLen) {
            LogT(kTag, path, " download complete. Check file md5 ...");
            if (VerifyAndHold(index, path)) {
                LogT(kTag, "Check file md5 OK.");
                return Attempt::Verified;
            }
            LogE(kTag, "Check download file md5 failed, redownload.");
            ++m_checksumFailures;
            discard = true;
        } else if (static_cast<uint64_t>(localLen) > totalLen) {
            LogW(kTag, "localFileLen > totalFileLen?? delete local file, redownload ...");
            discard = true;
        }
    }
    if (discard) {
        if (!DiscardDataFile(path)) {
            return Attempt::Failed;
        }
        localLen = 0;
    }

    m_curLocalFileLenth = localLen;
    {
        AutoLock lock(m_lock);
        m_info.resumeFrom = static_cast<uint64_t>(localLen);
    }
    m_currentIndex = index;
    switch (WaitForSpace(path, totalLen - static_cast<uint64_t>(localLen))) {
        case SpaceWait::Room:
            break;
        case SpaceWait::Cancelled:
            return Attempt::Failed;
        case SpaceWait::Paused:
            return Attempt::RetryNow;
    }
    return Transfer(index, url, path, probe.etag, localLen, totalLen, bytesArrived);
}
