// The configuration fetch of a fresh process, as the installer makes it before its window
// exists: writes "config_fetch <ms>" (the fetch alone) to VELMORA_BENCH_OUT.
#include <windows.h>

#include "app/config_selection.h"
#include "bench/startup_clock.h"
#include "download/curl_easy.h"
#include "installer/install_settings.h"
#include "installer/msg_box.h"

int main() {
    // The fetch alone, as the reference has always been: libcurl's global initialisation (a
    // static initialiser once, now the first request's) comes before the clock starts.
    CurlEasy::Global::instance();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    InstallSettings settings(GetConfigSelection().configUrl,
                             [](ConfigFailure) { ShowConfigFailedBox(); });
    QueryPerformanceCounter(&end);
    WriteFigure("config_fetch", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                    static_cast<double>(frequency.QuadPart));
    return settings.packages().empty() ? 1 : 0;
}
