// Ends the process through EndInstaller while another thread identifies the graphics adapter
// through Direct3D (the slowest part of the hardware probe), as a quit button pressed during
// the first report's probe does:
//   exit_driver <milliseconds before the end> <exit code>
// Prints "probing" once the probe threads run, then ends after the given time.
#include <windows.h>
#include <process.h>

#include <cstdio>
#include <cstdlib>

#include "installer/installer_exit.h"
#include "sysinfo/gpu_info.h"

namespace {
unsigned __stdcall ProbeForever(void* started) {
    SetEvent(static_cast<HANDLE>(started));
    for (;;) {
        GpuInfo info;
        QueryGpuInfo(info);
    }
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: exit_driver <milliseconds> <exit code>\n");
        return 2;
    }
    const DWORD delay = static_cast<DWORD>(_wtoi(argv[1]));
    const int code = _wtoi(argv[2]);
    // Three probing threads: more of the time, one of them is half way through its set-up.
    for (int i = 0; i < 3; ++i) {
        HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (started == nullptr ||
            _beginthreadex(nullptr, 0, &ProbeForever, started, 0, nullptr) == 0) {
            std::fprintf(stderr, "a probe thread did not start\n");
            return 2;
        }
        WaitForSingleObject(started, INFINITE);
    }
    std::printf("probing\n");
    std::fflush(stdout);
    Sleep(delay);
    EndInstaller(code);
}
