// bench_md5 <file>: hashes the file with GetFileMD5 and prints "md5 <digest> <bytes> <seconds>".
#include <windows.h>

#include <cstdio>

#include "download/md5.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_md5 <file>\n");
        return 2;
    }
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    std::string digest = GetFileMD5(argv[1]);
    QueryPerformanceCounter(&end);
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(argv[1], GetFileExInfoStandard, &data);
    unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart;
    std::printf("md5 %s %llu %.3f\n", digest.c_str(), size, seconds);
    return digest.empty() ? 1 : 0;
}
