// bench_signature <file> <pin>: the publisher check of a package as the install runs it
// (WinVerifyTrust through the write-protected handle, signer pin), timed in-process, next to the
// MD5 check through the same handle. Prints "signature <accepted> <bytes> <seconds> md5 <seconds>".
#include <windows.h>

#include <cstdio>
#include <string>

#include "download/locked_file.h"
#include "installer/publisher_check.h"

namespace {
double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_signature <file> <pin>\n");
        return 2;
    }
    const std::string path = argv[1];
    ScopedHandle file = OpenFileLocked(path, "bench");
    if (!file.valid()) {
        return 1;
    }
    const std::wstring widePath(path.begin(), path.end());
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    const bool accepted = PublisherAccepted(file.get(), widePath, argv[2]);
    QueryPerformanceCounter(&t1);
    const std::string md5 = HandleMD5(file.get());
    QueryPerformanceCounter(&t2);
    LARGE_INTEGER size;
    GetFileSizeEx(file.get(), &size);
    std::printf("signature %d %lld %.3f md5 %.3f\n", accepted ? 1 : 0,
                static_cast<long long>(size.QuadPart), Seconds(t0, t1), Seconds(t1, t2));
    return accepted && !md5.empty() ? 0 : 1;
}
