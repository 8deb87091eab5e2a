#pragma once
// Resumable downloader: fetches a list of files one after the other on a worker thread,
// resuming partial files (also from earlier runs), discarding them when the server's ETag
// changes (kept in a ".cfg" sidecar beside the file), and accepting a file only when its MD5
// matches. A failed attempt is retried without limit, paced by a growing wait. Only the
// answers of a server that works (a 2xx length probe, a 206 for the asked range or a 200)
// ever change the local file; error answers leave it for the next attempt.
#include <windows.h>

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/scoped_handles.h"
#include "download/disk_space.h"

class PackageFile;

struct DownloadWork {
    char url[512];
    char savePath[256];  // a folder (file name taken from the URL) or a full file path
    char md5[64];        // expected MD5, hexadecimal, letters in either case
};

struct DownloadInfo {
    char url[512];
    char savePath[256];  // full local path of the item in progress
    char md5[64];
    uint64_t resumeFrom;  // local length the current transfer resumed from
    double totalLength;   // length reported by the probe
    double received;      // bytes of the current transfer, not counting resumeFrom
};

struct FileLengthEtag {
    double totalLength = -1.0;  // -1 when the probe failed
    std::string etag;           // header value as received, "" when none
};

enum DownloadStatus { IDLE = 0, DOWNLOADING = 1, PAUSED = 2, FINISHED = 3 };

// Progress display's speed-sample counter; each download attempt resets it to 1.
extern std::atomic<int> SpeedSampleCount;

// Waits used when the network misbehaves. Tests shorten them.
struct DownloadTiming {
    DWORD stallMs = 60000;           // no byte for this long (not paused) ends the attempt
    DWORD firstRetryDelayMs = 1000;  // wait after a failed attempt, doubling ...
    DWORD maxRetryDelayMs = 30000;   // ... up to this
    DWORD spaceRecheckMs = 3000;     // a volume short of room is asked again this often
};

// A volume that cannot take what the download (and the install after it) still needs. While it
// lasts the worker waits and asks again; nothing already downloaded is dropped.
struct DiskShortage {
    bool active = false;
    bool duringTransfer = false;  // a write failed for lack of room (not the check before it)
    bool installVolume = false;   // the install folder's need is part of it
    std::string volume;           // "C:\"
    uint64_t needed = 0;
    uint64_t freeBytes = 0;
};

// Attempts that fail one after the other (no network, host unreachable, time-outs).
struct RetryState {
    bool failing = false;  // no byte has arrived since the last failed attempt
    bool waiting = false;  // the pause before the next attempt runs ...
    DWORD msLeft = 0;      // ... for this much longer
};

class CTinyDownload {
public:
    static constexpr int kMaxWorks = 200;
    static constexpr size_t kMaxSidecarBytes = 1 << 20;

    CTinyDownload();
    ~CTinyDownload();
    CTinyDownload(const CTinyDownload&) = delete;
    CTinyDownload& operator=(const CTinyDownload&) = delete;

    void AddDownloadWork(const DownloadWork& work);
    // The same for texts of any length: what does not fit its field is refused with an E line
    // instead of being cut. True when the item was added.
    bool AddDownloadWork(const std::string& url, const std::string& savePath,
                         const std::string& md5);
    // The handle through which item index passed its checksum check, still open and sharing
    // read access only, so the file cannot have changed since. Handed over once; invalid when
    // the item was not verified by this downloader.
    ScopedHandle TakeVerifiedFile(int index);
    // 0 when a worker thread was started, -1 when the downloader is busy.
    int StartDownloadThread();
    int GetDownloadInfo(DownloadInfo* out);
    bool IsDownloading() const { return m_status.load() == DOWNLOADING; }
    bool IsFinished() const { return m_status.load() == FINISHED; }
    int GetStatus() const { return m_status.load(); }
    int GetWorkCount() const { return m_workCount; }
    void Pause();
    void Resume();
    // Stops the worker wherever it is (a transfer ends and the bytes it received are written
    // out) and waits up to waitMs for it; true when it has stopped. Nothing is downloaded
    // afterwards.
    bool Stop(DWORD waitMs);
    // Whole files whose checksum failed since the last one that passed (the file is then
    // downloaded again from its start).
    int ChecksumFailuresInARow() const { return m_checksumFailures.load(); }
    // Bytes written into data files by this downloader so far, over every attempt: it grows
    // exactly when the download makes progress.
    uint64_t BytesWritten() const { return m_bytesWritten.load(); }

    // The install folder must take this many bytes too (0: not known, not checked).
    void SetInstallSpace(const std::string& folder, uint64_t bytes);
    DiskShortage GetDiskShortage();
    // Asks the volumes again now instead of at the next regular check.
    void RecheckSpaceNow() { SetEvent(m_recheckEvent.get()); }
    RetryState GetRetryState() const;

    void SetTiming(const DownloadTiming& timing) { m_timing = timing; }
    // Tests: where the free space of a folder's volume comes from.
    void SetFreeSpaceProbeForTesting(FreeSpaceProbe probe) { m_freeSpace = std::move(probe); }
    // Tests: writes that would make a data file longer than this fail as on a full disk.
    void SetDiskSpaceForTesting(uint64_t fileLength) { m_spaceLimit = fileLength; }

    // Worker thread procedure; 0 when every item is done (or the downloader is going away).
    static int SingleDownloadProc(CTinyDownload* downloader);

    // Both 0 on success, -1 on failure, like StartDownloadThread.
    static int GetFileNameFormUrl(char out[256], const char* url);
    static int CreateDirectories(const char* path);
    int64_t GetLocalFileLenth(const char* path);
    FileLengthEtag GetTotalFileLenthEtag(const char* url);

private:
    enum class Attempt { Verified, Failed, RetryNow };
    struct TransferState;

    static unsigned __stdcall WorkerEntry(void* self);
    int Run();
    Attempt AttemptItem(int index, bool* bytesArrived);
    // Compares a file's digest with the expected checksum of the item in progress.
    bool CheckMd5(const std::string& localDigest);
    // The checksum check of an item's file, read through a write-protected handle that is kept
    // for TakeVerifiedFile when it passes.
    bool VerifyAndHold(int index, const std::string& path);
    // The final check of a file just transferred: its running digest against the checksum;
    // when it passes, the file's protection goes on to a read-only handle kept for
    // TakeVerifiedFile. Leaves data closed either way.
    bool VerifyTransferred(int index, PackageFile* data, uint64_t length);
    bool WaitBeforeRetry(DWORD ms);  // false when the downloader is going away
    // Holds the transfer of the bytes still to come until their volume (and the install
    // folder's) has room, asking again every few seconds.
    enum class SpaceWait { Room, Cancelled, Paused };
    SpaceWait WaitForSpace(const std::string& path, uint64_t remaining);
    bool FindShortage(const std::string& path, uint64_t remaining, DiskShortage* shortage);
    void SetShortage(const DiskShortage& shortage);
    bool WaitWhilePaused();  // false when the downloader is going away
    bool IsBusy();
    bool PauseRequested();
    // Sets the status; PAUSED stands for every state but FINISHED while a pause is asked for.
    void SetStatus(DownloadStatus status);
    // Deletes the data file; false (with a log line) when it exists and cannot be deleted.
    static bool DiscardDataFile(const std::string& path);
    // Opens the data file, writes the sidecar and fetches the file from localLen on.
    bool OpenForTransfer(PackageFile* data, const std::string& path, const std::string& etag,
                         int64_t localLen);
    void SetUpTransferRequest(CURL* h, const std::string& url, const std::string& range,
                              uint64_t totalLen, TransferState* state);
    void NoteFullDisk(const std::string& path, uint64_t totalLen, uint64_t fileLen);
    Attempt Transfer(int index, const std::string& url, const std::string& path,
                     const std::string& etag, int64_t localLen, uint64_t totalLen,
                     bool* bytesArrived);
    bool StartOver(TransferState* state);

    static size_t OnHeaderLine(char* line, size_t size, size_t count, void* etag);
    static size_t OnTransferHeader(char* line, size_t size, size_t count, void* state);
    static size_t OnDiscardBody(char* data, size_t size, size_t count, void* unused);
    static size_t OnWriteFile(char* data, size_t size, size_t count, void* file);
    static int OnProgress(void* state, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);

    std::atomic<int> m_status{IDLE};
    int64_t m_curLocalFileLenth = 0;
    long m_timeout = 0;  // no total limit: a large package on a slow line takes long
    DownloadWork m_works[kMaxWorks];
    DownloadInfo m_info;
    int m_workCount = 0;
    int m_currentIndex = 0;

    DownloadTiming m_timing;
    CriticalSection m_lock;  // guards m_info and the transfer state below
    bool m_transferLive = false;
    // From Pause until Resume, also between transfers; written under m_lock.
    std::atomic<bool> m_pauseRequested{false};
    std::atomic<int64_t> m_received{0};  // m_info's received field, kept apart from the lock
    ScopedHandle m_resumeEvent;          // signalled while no pause is asked for
    std::atomic<uint64_t> m_spaceLimit{UINT64_MAX};
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_checksumFailures{0};
    std::atomic<uint64_t> m_bytesWritten{0};
    ScopedHandle m_cancelEvent;
    ScopedHandle m_workersIdle;  // signalled while no worker thread runs
    int m_activeWorkers = 0;
    ScopedHandle m_verified[kMaxWorks];  // guarded by m_lock

    std::string m_installFolder;
    uint64_t m_installBytes = 0;
    FreeSpaceProbe m_freeSpace = &FreeSpaceAt;
    DiskShortage m_shortage;  // guarded by m_lock
    ScopedHandle m_recheckEvent;
    std::atomic<bool> m_failing{false};
    std::atomic<bool> m_retryWaiting{false};
    std::atomic<DWORD> m_retryUntil{0};
};
