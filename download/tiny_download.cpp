#include "download/tiny_download.h"

#include <process.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/ansi_path.h"
#include "app/log.h"
#include "download/http_answer.h"
#include "download/md5.h"
#include "download/package_file.h"
#include "download/system_proxy.h"
#include "download/tls_policy.h"

std::atomic<int> SpeedSampleCount{1};  // 1 at start, as each attempt sets it

namespace {
const char kTag[] = "CTinyDownload";

// Fewer, larger socket reads: each read is a server round trip under Wine.
const long kReceiveBufferBytes = 512 * 1024;

struct CurlCleanup {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
using ScopedCurl = std::unique_ptr<CURL, CurlCleanup>;

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

std::string ToLower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

bool ReadSidecar(const std::string& path, std::string* etag) {
    ScopedFile file(std::fopen(path.c_str(), "r"));  // text mode, as it was written
    if (!file) {
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
}  // namespace

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
};

// The length probe's view of the headers: the ETag of the final response only.
struct ProbeHeaders {
    std::string etag;
};

CTinyDownload::CTinyDownload()
    : m_resumeEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      m_cancelEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_workersIdle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    std::memset(m_works, 0, sizeof m_works);
    std::memset(&m_info, 0, sizeof m_info);
    curl_global_init(CURL_GLOBAL_ALL);
}

CTinyDownload::~CTinyDownload() {
    // A worker still running would use this object after it is gone: ask it to stop (it
    // checks between steps and from the transfer's callbacks) and wait for it.
    m_cancel = true;
    SetEvent(m_cancelEvent.get());
    WaitForSingleObject(m_workersIdle.get(), INFINITE);
    AutoLock wait(m_lock);  // the last worker may still be leaving the lock
    curl_global_cleanup();
}

void CTinyDownload::AddDownloadWork(const DownloadWork& work) {
    LogT(kTag, "AddDownloadWork()");
    if (m_workCount >= kMaxWorks) {
        LogE(kTag, "AddDownloadWork: the list is full (", kMaxWorks, " items), item not added");
        return;
    }
    char url[512];
    char path[256];
    DownloadWork record;
    std::memset(&record, 0, sizeof record);
    if (!CopyField(url, work.url) || !CopyField(path, work.savePath) ||
        !CopyField(record.md5, work.md5)) {
        LogE(kTag, "AddDownloadWork: url, path or md5 longer than its field, item not added");
        return;
    }
    // Separators by character: a double-byte character may end in the byte of '\'.
    const size_t lastSlash = LastAnsiPathSeparator(path);
    const char* lastPart = lastSlash == std::string::npos ? path : path + lastSlash + 1;
    // A file when some '.' of the last component has a character after it.
    bool namesFile = false;
    for (const char* c = lastPart; *c; ++c) {
        if (*c == '.' && c[1] != '\0') {
            namesFile = true;
        }
    }
    if (!namesFile) {
        if (!CreateDirectories(path)) {
            return;
        }
        char fileName[256];
        if (GetFileNameFormUrl(fileName, url) != 0) {
            return;
        }
        std::string full = path;
        if (!EndsWithAnsiPathSeparator(full)) {
            full += '\\';
        }
        full += fileName;
        if (!CopyField(path, full.c_str())) {
            LogE(kTag, "AddDownloadWork: path too long: ", full, ", item not added");
            return;
        }
    } else if (lastSlash != std::string::npos) {
        std::string folder(path, lastSlash + 1);
        if (!CreateDirectories(folder.c_str())) {
            return;
        }
    }
    CopyField(record.url, url);
    CopyField(record.savePath, path);
    m_works[m_workCount] = record;
    LogT(kTag, "index: ", m_workCount, " url=", record.url, ", to=", record.savePath,
         ", md5=", record.md5);
    ++m_workCount;
    LogT(kTag, "~AddDownloadWork()");
}

int CTinyDownload::GetFileNameFormUrl(char out[256], const char* url) {
    out[0] = '\0';
    const size_t length = std::strlen(url);
    // Search backwards from the second-to-last character, so a trailing '/' is skipped.
    size_t start = 0;
    bool found = false;
    for (size_t i = length >= 2 ? length - 1 : 0; i-- > 0;) {
        if (url[i] == '/') {
            start = i + 1;
            found = true;
            break;
        }
    }
    if (!found) {
        LogE(kTag, "GetFileNameFormUrl: no file name in url=", url);
        return -1;
    }
    size_t end = start;
    while (url[end] != '\0' && url[end] != '?' && url[end] != '&') {
        ++end;
    }
    if (end - start >= 256 || end == start) {
        LogE(kTag, "GetFileNameFormUrl: no usable file name in url=", url);
        return -1;
    }
    std::memcpy(out, url + start, end - start);
    out[end - start] = '\0';
    LogT(kTag, "GetFileNameFormUrl: url=", url, ", fileName=", out);
    return 0;
}

int CTinyDownload::CreateDirectories(const char* path) {
    std::string copy = path;
    if (copy.size() >= 256) {
        return 0;
    }
    if (!EndsWithAnsiPathSeparator(copy)) {
        copy += '\\';
    }
    // Each folder on the way, split by character in the code page the narrow file functions
    // use; the drive letter's root ("C:\") is not made.
    for (size_t i : AnsiPathSeparators(copy)) {
        if (i == 0 || copy[i - 1] == ':') {
            continue;
        }
        const std::string folder = copy.substr(0, i);
        wchar_t wide[MAX_PATH];
        int n = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
        if (n <= 0) {
            return 0;
        }
        WIN32_FIND_DATAW data;
        ScopedFindHandle found(FindFirstFileW(wide, &data));
        if (!found.valid() && !CreateDirectoryW(wide, nullptr)) {
            return 0;
        }
    }
    return 1;
}

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
    ApplySystemProxy(h, url);
    ApplyTlsPolicy(h, url);
    curl_easy_setopt(h, CURLOPT_HEADER, 1L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    // The transfer follows redirects, so the probe must measure where they lead.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CTinyDownload::OnDiscardBody);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CTinyDownload::OnHeaderLine);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &headers);
    // The stall watch also bounds a probe that never gets an answer; a pause stops it.
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CTinyDownload::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    CURLcode code = curl_easy_perform(h);
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

// Decides, once the headers of the final answer are in, whether its body belongs in the file.
size_t CTinyDownload::OnTransferHeader(char* line, size_t size, size_t count, void* p) {
    const size_t bytes = size * count;
    TransferState* state = static_cast<TransferState*>(p);
    if (!state->answer.AddHeaderLine(line, bytes)) {
        return bytes;
    }
    switch (JudgeAnswer(state->answer, state->offset, state->total)) {
        case AnswerVerdict::Append:
            state->accepted = true;
            return bytes;
        case AnswerVerdict::Restart:
            if (!state->owner->StartOver(state)) {
                state->rejected = true;
                return 0;
            }
            state->accepted = true;
            return bytes;
        case AnswerVerdict::Reject:
            break;
    }
    state->rejected = true;
    LogW(kTag, "unexpected answer to the request from ", state->offset, ": ",
         state->answer.Describe(), ", local file kept");
    return 0;  // ends the transfer before any of its body is taken
}

bool CTinyDownload::StartOver(TransferState* state) {
    LogW(kTag, "server ignored the resume offset, the file starts again from 0");
    if (!state->file->Truncate()) {
        LogE(kTag, "Can't truncate local file: ", *state->path,
             ", error=", static_cast<unsigned>(GetLastError()), ", re-try.");
        return false;
    }
    state->offset = 0;
    m_curLocalFileLenth = 0;
    AutoLock lock(m_lock);
    m_info.resumeFrom = 0;
    m_received = 0;
    return true;
}

size_t CTinyDownload::OnDiscardBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t CTinyDownload::OnWriteFile(char* data, size_t size, size_t count, void* p) {
    TransferState* state = static_cast<TransferState*>(p);
    const size_t bytes = size * count;
    if (!state->accepted) {
        return 0;  // no judged answer: nothing goes into the file
    }
    // Never more than the file's length: a server sending on would fill the disk.
    const uint64_t end = state->offset + state->written;
    size_t take = bytes;
    if (end >= state->total) {
        take = 0;
    } else if (state->total - end < bytes) {
        take = static_cast<size_t>(state->total - end);
    }
    if (take < bytes && !state->overlong) {
        state->overlong = true;
        LogW(kTag, "the server sends more than the ", state->total,
             " bytes of the file, ending this attempt");
    }
    const size_t written = take ? state->file->Write(data, take) : 0;
    state->written += written;
    if (written < take) {
        LogW(kTag, "write ", bytes, " bytes, return ", written);
    }
    return written;
}

int CTinyDownload::OnProgress(void* p, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                              curl_off_t) {
    TransferState* state = static_cast<TransferState*>(p);
    CTinyDownload* self = state->owner;
    if (self->m_cancel.load()) {
        return 1;
    }
    // Called for every chunk read: no lock here, only two atomics.
    if (state->isTransfer && dltotal != 0) {
        self->m_received = static_cast<int64_t>(dlnow);
    }
    const bool wantPause = self->m_pauseRequested.load();
    if (!state->isTransfer && wantPause) {
        return 1;  // the probe is asked again after the pause
    }
    // Pause and resume are requested by the UI thread and carried out here, on the
    // transfer's own thread, as libcurl requires.
    if (wantPause != state->pausedNow) {
        state->pausedNow = wantPause;
        curl_easy_pause(state->handle, wantPause ? CURLPAUSE_RECV : CURLPAUSE_CONT);
    }
    const DWORD now = GetTickCount();
    if (dlnow != state->lastNow || state->pausedNow) {
        state->lastNow = dlnow;
        state->lastActivity = now;
    } else if (now - state->lastActivity >= self->m_timing.stallMs) {
        LogW(kTag, "no data for ", self->m_timing.stallMs, " ms, ending this attempt");
        return 1;
    }
    return 0;
}

unsigned __stdcall CTinyDownload::WorkerEntry(void* self) {
    return static_cast<unsigned>(SingleDownloadProc(static_cast<CTinyDownload*>(self)));
}

bool CTinyDownload::IsBusy() {
    const int status = m_status.load();
    if (status == DOWNLOADING || status == PAUSED) {
        return true;
    }
    // Between attempts the status reads IDLE while the worker is still at work.
    AutoLock lock(m_lock);
    return m_activeWorkers > 0 && status != FINISHED;
}

int CTinyDownload::StartDownloadThread() {
    LogT(kTag, "StartDownloadThread()");
    if (IsBusy()) {
        LogT(kTag, "~StartDownloadThread()");
        return -1;
    }
    {
        AutoLock lock(m_lock);
        ++m_activeWorkers;
        ResetEvent(m_workersIdle.get());
    }
    uintptr_t thread = _beginthreadex(nullptr, 0, &WorkerEntry, this, 0, nullptr);
    if (thread == 0) {
        AutoLock lock(m_lock);
        if (--m_activeWorkers == 0) {
            SetEvent(m_workersIdle.get());
        }
        LogE(kTag, "StartDownloadThread: no thread, errno=", errno);
        LogT(kTag, "~StartDownloadThread()");
        return -1;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    LogT(kTag, "~StartDownloadThread()");
    return 0;
}

int CTinyDownload::SingleDownloadProc(CTinyDownload* downloader) {
    int result = downloader->Run();
    AutoLock lock(downloader->m_lock);
    if (--downloader->m_activeWorkers == 0) {
        SetEvent(downloader->m_workersIdle.get());
    }
    return result;  // nothing touches the downloader after the lock is left
}

int CTinyDownload::Run() {
    LogT(kTag, "SingleDownloadProc()");
    DWORD delay = m_timing.firstRetryDelayMs;
    int i = 0;
    while (i < m_workCount && WaitWhilePaused()) {
        bool bytesArrived = false;
        switch (AttemptItem(i, &bytesArrived)) {
            case Attempt::Verified:
                ++i;
                delay = m_timing.firstRetryDelayMs;
                break;
            case Attempt::RetryNow:
                break;
            case Attempt::Failed:
                if (m_cancel.load()) {
                    return 0;
                }
                // Endless retries, but paced: a dead network must not spin the CPU or
                // flood the log.
                if (bytesArrived) {
                    delay = m_timing.firstRetryDelayMs;
                }
                LogI(kTag, "next attempt in ", static_cast<unsigned>(delay), " ms");
                if (!WaitBeforeRetry(delay)) {
                    return 0;
                }
                delay = std::min<DWORD>(delay * 2, m_timing.maxRetryDelayMs);
                break;
        }
    }
    if (m_cancel.load()) {
        return 0;
    }
    SetStatus(FINISHED);
    LogT(kTag, "~SingleDownloadProc()");
    return 0;
}

bool CTinyDownload::WaitBeforeRetry(DWORD ms) {
    return WaitForSingleObject(m_cancelEvent.get(), ms) == WAIT_TIMEOUT;
}

bool CTinyDownload::WaitWhilePaused() {
    bool waited = false;
    for (;;) {
        if (m_cancel.load()) {
            return false;
        }
        if (!PauseRequested()) {
            if (waited) {
                LogT(kTag, "resumed");
            }
            return true;
        }
        if (!waited) {
            LogT(kTag, "paused, waiting for resume");
            waited = true;
        }
        HANDLE events[2] = {m_cancelEvent.get(), m_resumeEvent.get()};
        WaitForMultipleObjects(2, events, FALSE, INFINITE);
    }
}

bool CTinyDownload::PauseRequested() {
    return m_pauseRequested.load();
}

void CTinyDownload::SetStatus(DownloadStatus status) {
    AutoLock lock(m_lock);
    m_status = (m_pauseRequested && status != FINISHED) ? PAUSED : status;
}

bool CTinyDownload::DiscardDataFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return true;
    }
    LogE(kTag, "Can't delete local file: ", path, ", error=", static_cast<unsigned>(error),
         ", re-try.");
    return false;
}

bool CTinyDownload::CheckMd5(const std::string& local) {
    std::string expected;
    {
        AutoLock lock(m_lock);
        expected = ToLower(m_info.md5);
    }
    LogI(kTag, "local md5=", local, ", server md5=", expected);
    return local == expected;
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
    return Transfer(index, url, path, probe.etag, localLen, totalLen, bytesArrived);
}

CTinyDownload::Attempt CTinyDownload::Transfer(int index, const std::string& url,
                                               const std::string& path, const std::string& etag,
                                               int64_t localLen, uint64_t totalLen,
                                               bool* bytesArrived) {
    const std::string sidecar = path + ".cfg";
    PackageFile data;
    if (!data.Open(path.c_str())) {
        LogE(kTag, "Can't open local file: ", path, ", re-try.");
        return Attempt::Failed;
    }
    // The bytes asked of the server must land exactly at the end of the file as opened.
    if (data.Length() != static_cast<uint64_t>(localLen)) {
        LogW(kTag, "local file is ", data.Length(), " bytes now, not ", localLen, ", re-try.");
        return Attempt::Failed;
    }
    data.SetSpaceLimit(m_spaceLimit.load());
    {
        ScopedFile tag(std::fopen(sidecar.c_str(), "w+"));
        if (!tag) {
            LogE(kTag, "Can't open local tag file: ", path, ", re-try.");
            return Attempt::Failed;
        }
        std::fwrite(etag.data(), 1, etag.size(), tag.get());
    }

    ScopedCurl handle(curl_easy_init());
    if (!handle) {
        LogE(kTag, "curl_easy_init failed! re-try.");
        return Attempt::Failed;
    }
    CURL* h = handle.get();
    TransferState state(this, h, true);
    state.file = &data;
    state.path = &path;
    state.offset = static_cast<uint64_t>(localLen);
    state.total = totalLen;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    ApplySystemProxy(h, url.c_str());
    ApplyTlsPolicy(h, url.c_str());
    curl_easy_setopt(h, CURLOPT_TIMEOUT, m_timeout);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    LogT(kTag, "resume from: ", localLen);
    // The range is asked for as a plain request header, so that the answer's status and
    // Content-Range decide (in OnTransferHeader) what happens to the file.
    const std::string range = std::to_string(localLen) + "-";
    curl_easy_setopt(h, CURLOPT_RANGE, localLen > 0 ? range.c_str() : nullptr);
    if (totalLen > 0) {
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(totalLen));
    }
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CTinyDownload::OnTransferHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CTinyDownload::OnWriteFile);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CTinyDownload::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);

    {
        AutoLock lock(m_lock);
        if (m_pauseRequested) {
            return Attempt::RetryNow;  // paused before the transfer began: probe again later
        }
        m_transferLive = true;
        m_status = DOWNLOADING;
    }
    LogT(kTag, "curl_easy_perform ...");
    CURLcode code = curl_easy_perform(h);
    LogT(kTag, "curl_easy_perform ok, code=", static_cast<int>(code));
    {
        AutoLock lock(m_lock);
        m_transferLive = false;
    }
    handle.reset();
    if (!data.Flush() && code == CURLE_OK) {
        LogW(kTag, "write ", data.refusedOffered(), " bytes, return ", data.refusedWritten());
        code = CURLE_WRITE_ERROR;
    }
    const uint64_t fileLen = data.Length();
    data.Close();
    *bytesArrived = state.written > 0;

    if (m_cancel.load()) {
        return Attempt::Failed;
    }
    if (code == CURLE_OK && !state.accepted) {
        // A bodiless answer that was not the asked part (a 416, an empty error page).
        if (!state.rejected) {
            LogW(kTag, "unexpected answer to the request from ", localLen, ": ",
                 state.answer.Describe(), ", local file kept");
        }
        code = CURLE_WRITE_ERROR;
    }
    if (code == CURLE_OK && fileLen != totalLen) {
        LogW(kTag, "the transfer ended at ", fileLen, " of ", totalLen, " bytes");
        code = CURLE_PARTIAL_FILE;
    }
    if (code != CURLE_OK) {
        LogE(kTag, "download failed, re-try. code=", static_cast<int>(code), ", url=", url);
        LogI(kTag, "current index=", m_currentIndex, ", total=", m_workCount);
        return Attempt::Failed;
    }
    LogT(kTag, path, " download complete. Check file md5 ...");
    if (VerifyAndHold(index, path)) {
        LogT(kTag, "Check file md5 OK.");
        return Attempt::Verified;
    }
    LogE(kTag, "Check download file md5 failed, re-try.");
    DiscardDataFile(path);
    return Attempt::Failed;
}

int CTinyDownload::GetDownloadInfo(DownloadInfo* out) {
    AutoLock lock(m_lock);
    *out = m_info;
    out->received = static_cast<double>(m_received.load());
    return 0;
}

// Pause and Resume only record the wish; the worker carries it out wherever it is: inside a
// transfer (from its progress callback, on its own thread, as libcurl requires), during the
// length probe (which it stops and asks again later) or between attempts (it waits before
// the next one).
void CTinyDownload::Pause() {
    AutoLock lock(m_lock);
    if (m_activeWorkers == 0 || m_status.load() == FINISHED) {
        return;
    }
    m_pauseRequested = true;
    m_status = PAUSED;
    ResetEvent(m_resumeEvent.get());
}

void CTinyDownload::Resume() {
    AutoLock lock(m_lock);
    if (!m_pauseRequested) {
        return;
    }
    m_pauseRequested = false;
    m_status = m_transferLive ? DOWNLOADING : IDLE;
    SetEvent(m_resumeEvent.get());
}
