#include "installer/install_command.h"

#include <windows.h>

#include <vector>

#include "app/text_convert.h"
#include "app/log.h"
#include "app/scoped_handles.h"
#include "installer/package_start.h"

namespace {
const char kTag[] = "CMainFrame";
}  // namespace

InstallTarget MakeInstallTarget(const std::wstring& setupPath, const std::wstring& folder) {
    InstallTarget target;
    const bool endsInSeparator = !folder.empty() && folder.back() == L'\\';
    target.installDir = folder + (endsInSeparator ? L"Velmora\\" : L"\\Velmora\\");
    target.commandLine = L"\"" + setupPath + L"\" /S /D=" + target.installDir;
    target.programPath = target.installDir + L"Velmora.exe";
    return target;
}

ProcessRun ReadProcessEnd(HANDLE process, bool wait) {
    ProcessRun run;
    run.started = true;
    if (wait) {
        WaitForSingleObject(process, INFINITE);
    }
    run.ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code)) {
        // Unknown is not 0: a package whose end cannot be read has not been seen to succeed.
        run.readError = GetLastError();
        return run;
    }
    run.codeRead = run.ended && code != STILL_ACTIVE;
    run.code = code;
    return run;
}

ProcessRun RunProcessToEnd(const std::wstring& commandLine, bool wait,
                           const std::wstring& currentDirectory) {
    if (commandLine.empty()) {
        return ProcessRun();
    }
    // CreateProcessW may write into its command line.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    // Its own TEMP in the package folder, libraries preferred from System32 where Windows can.
    PackageStartup startup(currentDirectory);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | HIGH_PRIORITY_CLASS | startup.creationFlags(),
                        startup.environment(),
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(),
                        startup.startupInfo(), &info)) {
        LogE(kTag, "CreateProcess error! code=", static_cast<unsigned long>(GetLastError()));
        return ProcessRun();
    }
    ScopedHandle process(info.hProcess);
    ScopedHandle thread(info.hThread);
    const ProcessRun run = ReadProcessEnd(process.get(), wait);
    if (run.readError != 0) {
        LogE(kTag, WideToAnsi(commandLine), ": its exit code cannot be read (error ",
             static_cast<unsigned long>(run.readError), "), counted as a failure");
    } else {
        LogD(kTag, WideToAnsi(commandLine), " return ", static_cast<unsigned long>(run.code));
    }
    return run;
}

bool RunProcess(const std::wstring& commandLine, bool wait, const std::wstring& currentDirectory) {
    return RunProcessToEnd(commandLine, wait, currentDirectory).succeeded();
}
