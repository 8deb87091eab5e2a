// The transfer of an item: the ranged request, the judgement of the answer, the bytes written
// (and hashed) as they arrive, the progress, pause and stall watch.
#include "app/log.h"
#include "download/locked_file.h"
#include "download/system_proxy.h"
#include "download/tls_policy.h"
#include "download/tiny_download.h"
#include "download/tiny_download_state.h"

using tiny_download_detail::ScopedCurl;

namespace {
const char kTag[] = "CTinyDownload";

// Fewer, larger socket reads: each read is a server round trip under Wine.
const long kReceiveBufferBytes = 512 * 1024;
}  // namespace

// Opens the data file for appending at localLen and, for a new file, writes its sidecar.
bool CTinyDownload::OpenForTransfer(PackageFile* data, const std::string& path,
                                    const std::string& etag, int64_t localLen) {
    if (!data->Open(path.c_str())) {
        LogE(kTag, "Can't open local file: ", path, ", re-try.");
        return false;
    }
    // The bytes asked of the server must land exactly at the end of the file as opened.
    if (data->Length() != static_cast<uint64_t>(localLen)) {
        LogW(kTag, "local file is ", data->Length(), " bytes now, not ", localLen, ", re-try.");
        return false;
    }
    data->SetSpaceLimit(m_spaceLimit.load());
    // A resumed file's sidecar was just read and names the server's ETag already: it is left as
    // it is. Rewriting it empties it first, and a process ended at that moment would leave the
    // partial file without its ETag, to be thrown away by the next run. A new file has no bytes
    // to lose.
    if (localLen == 0) {
        ScopedFile tag = OpenTextFileNoFollow(path + ".cfg", true);
        if (!tag) {
            LogE(kTag, "Can't open local tag file: ", path, ", re-try.");
            return false;
        }
        std::fwrite(etag.data(), 1, etag.size(), tag.get());
    }
    return true;
}

// The ranged request of a transfer, its answer judged and written through the state.
void CTinyDownload::SetUpTransferRequest(CURL* h, const std::string& url, const std::string& range,
                                         uint64_t totalLen, TransferState* state) {
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    ApplySystemProxy(h, url.c_str());
    ApplyTlsPolicy(h, url.c_str());
    curl_easy_setopt(h, CURLOPT_TIMEOUT, m_timeout);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    // The range is asked for as a plain request header, so that the answer's status and
    // Content-Range decide (in OnTransferHeader) what happens to the file.
    curl_easy_setopt(h, CURLOPT_RANGE, range.empty() ? nullptr : range.c_str());
    if (totalLen > 0) {
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(totalLen));
    }
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CTinyDownload::OnTransferHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, state);
    // Through a proxy, https goes through its tunnel: the proxy's "200 Connection established"
    // is not the server's answer and would be judged as one (a 200 to a ranged request starts
    // the file over).
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CTinyDownload::OnWriteFile);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, state);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CTinyDownload::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, state);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
}

// A write refused for lack of room: told as the check before a transfer tells it; the next
// attempt waits for room and goes on from what reached the disk.
void CTinyDownload::NoteFullDisk(const std::string& path, uint64_t totalLen, uint64_t fileLen) {
    DiskShortage shortage;
    const uint64_t remaining = totalLen > fileLen ? totalLen - fileLen : 0;
    if (!FindShortage(path, remaining, &shortage)) {
        const VolumeSpace space = m_freeSpace(path);
        shortage.active = true;
        shortage.volume = space.volume;
        shortage.needed = remaining + kSpaceMarginBytes;
        shortage.freeBytes = space.freeBytes;
    }
    shortage.duringTransfer = true;
    SetShortage(shortage);
    LogW(kTag, "the disk is full: not enough disk space on ", shortage.volume, ": ",
         shortage.needed, " bytes needed, ", shortage.freeBytes,
         " free; the download goes on when there is room");
}

CTinyDownload::Attempt CTinyDownload::Transfer(int index, const std::string& url,
                                               const std::string& path, const std::string& etag,
                                               int64_t localLen, uint64_t totalLen,
                                               bool* bytesArrived) {
    PackageFile data;
    if (!OpenForTransfer(&data, path, etag, localLen)) {
        return Attempt::Failed;
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
    LogT(kTag, "resume from: ", localLen);
    const std::string range = localLen > 0 ? std::to_string(localLen) + "-" : std::string();
    SetUpTransferRequest(h, url, range, totalLen, &state);

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
    // A proxy's 407 took nothing into the file: with other credentials, probe and ask again.
    const bool proxyAnswered = AfterProxyAnswer(h, url.c_str()) == ProxyAuthNext::Again;
    handle.reset();
    if (!data.Flush() && code == CURLE_OK) {
        LogW(kTag, "write ", data.refusedOffered(), " bytes, return ", data.refusedWritten());
        code = CURLE_WRITE_ERROR;
    }
    const uint64_t fileLen = data.Length();
    *bytesArrived = state.written > 0;

    if (m_cancel.load()) {
        return Attempt::Failed;
    }
    if (proxyAnswered && state.written == 0) {
        return Attempt::RetryNow;
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
        if (state.diskFull || data.RefusedForLackOfSpace()) {
            NoteFullDisk(path, totalLen, fileLen);
        }
        return Attempt::Failed;
    }
    LogT(kTag, path, " download complete. Check file md5 ...");
    if (VerifyTransferred(index, &data, fileLen)) {
        LogT(kTag, "Check file md5 OK.");
        return Attempt::Verified;
    }
    LogE(kTag, "Check download file md5 failed, re-try.");
    ++m_checksumFailures;
    DiscardDataFile(path);
    return Attempt::Failed;
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
    state->owner->m_bytesWritten += written;
    if (written > 0) {
        state->owner->m_failing = false;  // the network is back
    }
    if (written < take) {
        state->diskFull = state->file->RefusedForLackOfSpace();
        LogW(kTag, "write ", bytes, " bytes, return ", written,
             state->diskFull ? ": the disk is full" : "");
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
