#pragma once
// Start-up figures measured inside the process: milliseconds since Windows created it, and
// where to write them.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

// Milliseconds from the creation of this process (GetProcessTimes) to now.
inline double MillisecondsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return static_cast<double>(b.QuadPart - a.QuadPart) / 10000.0;
}

// Appends "<name> <milliseconds>" to the file named by VELMORA_BENCH_OUT (standard output
// when unset: a GUI program's output is then lost).
inline void WriteFigure(const char* name, double milliseconds) {
    const char* path = std::getenv("VELMORA_BENCH_OUT");
    std::FILE* out = path ? std::fopen(path, "a") : stdout;
    if (!out) {
        return;
    }
    std::fprintf(out, "%s %.1f\n", name, milliseconds);
    if (out != stdout) {
        std::fclose(out);
    } else {
        std::fflush(out);
    }
}
