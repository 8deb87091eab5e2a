// The downloader's item list, its worker thread with the retry loop, and pause and resume.
#include "download/tiny_download.h"

#include <process.h>

#include <algorithm>
#include <cstring>

#include "app/ansi_path.h"
#include "app/log.h"
#include "app/text_convert.h"
#include "download/tiny_download_state.h"

using tiny_download_detail::CopyField;

std::atomic<int> SpeedSampleCount{1};  // 1 at start, as each attempt sets it

namespace {
const char kTag[] = "CTinyDownload";
}  // namespace

CTinyDownload::CTinyDownload()
    : m_resumeEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      m_cancelEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_workersIdle(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      m_recheckEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
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

bool CTinyDownload::Stop(DWORD waitMs) {
    m_cancel = true;
    SetEvent(m_cancelEvent.get());
    return WaitForSingleObject(m_workersIdle.get(), waitMs) == WAIT_OBJECT_0;
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
        if (CreateDirectories(path) != 0) {
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
        if (CreateDirectories(folder.c_str()) != 0) {
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
        return -1;
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
        const std::wstring wide = AnsiToWide(folder.c_str());
        if (wide.empty() || wide.size() >= MAX_PATH) {
            return -1;
        }
        WIN32_FIND_DATAW data;
        ScopedFindHandle found(FindFirstFileW(wide.c_str(), &data));
        if (!found.valid() && !CreateDirectoryW(wide.c_str(), nullptr)) {
            return -1;
        }
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
    ScopedHandle detached(reinterpret_cast<HANDLE>(thread));  // the worker runs on its own
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
                m_failing = false;
                m_checksumFailures = 0;
                ++i;
                delay = m_timing.firstRetryDelayMs;
                break;
            case Attempt::RetryNow:
                break;
            case Attempt::Failed: {
                if (m_cancel.load()) {
                    return 0;
                }
                // Endless retries, but paced: a dead network must not spin the CPU or
                // flood the log.
                if (bytesArrived) {
                    delay = m_timing.firstRetryDelayMs;
                }
                // A full disk is not the network's fault: the next attempt waits for room
                // before it asks the server for anything more.
                const bool diskFull = GetDiskShortage().active;
                if (!diskFull) {
                    m_failing = true;
                }
                const DWORD wait = diskFull ? m_timing.firstRetryDelayMs : delay;
                LogI(kTag, "next attempt in ", static_cast<unsigned>(wait), " ms");
                m_retryUntil = GetTickCount() + wait;
                m_retryWaiting = true;
                const bool goOn = WaitBeforeRetry(wait);
                m_retryWaiting = false;
                if (!goOn) {
                    return 0;
                }
                if (!diskFull) {
                    delay = std::min<DWORD>(delay * 2, m_timing.maxRetryDelayMs);
                }
                break;
            }
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
