// Runs a program, waits for it and prints the exit code Windows recorded for it:
//   exit_code <program> [arguments...]
// The last line of standard output is "exit code <n>" (decimal, unsigned). Under Wine the
// status of the Unix process says less: the server may reap a process that has already ended
// with SIGKILL when the machine is busy.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
std::wstring Quoted(const wchar_t* arg) {
    std::wstring out = L"\"";
    for (const wchar_t* p = arg; *p; ++p) {
        if (*p == L'"') {
            out += L'\\';
        }
        out += *p;
    }
    return out + L"\"";
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    std::wstring command;
    for (int i = 1; i < argc; ++i) {
        command += (i > 1 ? L" " : L"") + Quoted(argv[i]);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("not started: %lu\n", GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    std::printf("exit code %lu\n", code);
    std::fflush(stdout);
    return 0;
}
