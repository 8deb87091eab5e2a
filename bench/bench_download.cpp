// bench_download <url> <file> <md5> [poll-ms]: downloads and verifies one file with the
// resumable downloader, takes the verified file as the install would, and prints
//   "download <bytes> <seconds-from-first-byte-to-verified> <peak-bytes> <seconds-of-transfer>
//    <cpu-seconds>"
// where the CPU time is the whole process's (user and kernel, all threads) from the first byte
// to the verified file. The progress is polled every poll-ms (1 by default, for the timings;
// the installer polls once a second).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/log.h"
#include "download/tiny_download.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: bench_download <url> <file> <md5> [poll-ms]\n");
        return 2;
    }
    const DWORD pollMs = argc == 5 ? static_cast<DWORD>(std::atoi(argv[4])) : 1;
    const auto cpuSeconds = [] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ticks = [](const FILETIME& t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
    };
    double cpuAtFirst = 0;
    std::FILE* log = std::fopen("bench_download.log", "w");
    SetLogStream(log);
    DownloadWork work;
    std::memset(&work, 0, sizeof work);
    std::strncpy(work.url, argv[1], sizeof work.url - 1);
    std::strncpy(work.savePath, argv[2], sizeof work.savePath - 1);
    std::strncpy(work.md5, argv[3], sizeof work.md5 - 1);
    LARGE_INTEGER freq, first{}, received{}, end;
    QueryPerformanceFrequency(&freq);
    {
        CTinyDownload downloader;
        downloader.AddDownloadWork(work);
        downloader.StartDownloadThread();
        bool started = false, allReceived = false;
        DownloadInfo info;
        while (!downloader.IsFinished()) {
            if (!started) {
                downloader.GetDownloadInfo(&info);
                if (info.received > 0) {
                    QueryPerformanceCounter(&first);
                    cpuAtFirst = cpuSeconds();
                    started = true;
                }
            }
            if (started && !allReceived) {
                downloader.GetDownloadInfo(&info);
                if (info.totalLength > 0 &&
                    static_cast<double>(info.resumeFrom) + info.received >= info.totalLength) {
                    QueryPerformanceCounter(&received);
                    allReceived = true;
                }
            }
            Sleep(started && pollMs > 1 ? pollMs : 1);
        }
        ScopedHandle held = downloader.TakeVerifiedFile(0);
        QueryPerformanceCounter(&end);
        if (!held.valid()) {
            std::fprintf(stderr, "the file was not verified\n");
            return 1;
        }
        downloader.GetDownloadInfo(&info);
        PROCESS_MEMORY_COUNTERS mem;
        mem.cb = sizeof mem;
        GetProcessMemoryInfo(GetCurrentProcess(), &mem, sizeof mem);
        double seconds = static_cast<double>(end.QuadPart - first.QuadPart) / freq.QuadPart;
        double transfer = static_cast<double>(received.QuadPart - first.QuadPart) / freq.QuadPart;
        const double cpu = cpuSeconds() - cpuAtFirst;
        std::printf("download %.0f %.3f %lu %.3f %.3f\n", info.totalLength, seconds,
                    static_cast<unsigned long>(mem.PeakWorkingSetSize), transfer, cpu);
    }
    SetLogStream(nullptr);
    if (log) {
        std::fclose(log);
    }
    return 0;
}
