// Command-line demo of the resumable downloader:
//   velmora_fetch <url> <folder-or-file> <md5>
// Prints the progress once a second and ends when the file is complete and verified.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/log.h"
#include "download/tiny_download.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmora_fetch <url> <folder-or-file> <md5>\n");
        return 2;
    }
    std::FILE* log = std::fopen("velmora_fetch.log", "w");
    if (log) {
        SetLogStream(log);
    }
    DownloadWork work;
    std::memset(&work, 0, sizeof work);
    if (std::strlen(argv[1]) >= sizeof work.url || std::strlen(argv[2]) >= sizeof work.savePath ||
        std::strlen(argv[3]) >= sizeof work.md5) {
        std::fprintf(stderr, "an argument is too long\n");
        return 2;
    }
    std::strcpy(work.url, argv[1]);
    std::strcpy(work.savePath, argv[2]);
    std::strcpy(work.md5, argv[3]);

    CTinyDownload downloader;
    downloader.AddDownloadWork(work);
    if (downloader.GetWorkCount() != 1) {
        std::fprintf(stderr, "the item was not accepted (see velmora_fetch.log)\n");
        return 1;
    }
    downloader.StartDownloadThread();
    while (!downloader.IsFinished()) {
        Sleep(1000);
        DownloadInfo info;
        downloader.GetDownloadInfo(&info);
        double done = static_cast<double>(info.resumeFrom) + info.received;
        double percent = info.totalLength > 0 ? 100.0 * done / info.totalLength : 0.0;
        std::printf("%-11s %12.0f / %12.0f bytes  %5.1f %%\n",
                    downloader.IsDownloading() ? "downloading" : "working", done, info.totalLength,
                    percent);
        std::fflush(stdout);
    }
    DownloadInfo info;
    downloader.GetDownloadInfo(&info);
    std::printf("done: %s verified (md5 %s)\n", info.savePath, info.md5);
    if (log) {
        SetLogStream(nullptr);
        std::fclose(log);
    }
    return 0;
}
