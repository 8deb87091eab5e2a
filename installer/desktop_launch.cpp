#include "installer/desktop_launch.h"

#include <windows.h>

#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "app/log.h"
#include "app/process_token.h"
#include "app/scoped_handles.h"
#include "app/text_convert.h"
#include "installer/link_policy.h"

namespace {
const char kTag[] = "DesktopLaunch";

std::string Hex(HRESULT hr) {
    char text[16];
    wsprintfA(text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

// Why the direct way is taken even though the token may be split ("" = ask the shell).
std::string ReasonToStartDirectly() {
#ifndef VELMORA_RELEASE_BUILD
    // Development and test builds only: Wine always reports a split, elevated token, so the
    // tests force the other way with this variable. Release builds do not read it.
    wchar_t forced[8] = L"";
    if (GetEnvironmentVariableW(L"VELMORA_DEV_NO_SPLIT_TOKEN", forced, 8) > 0 &&
        forced[0] == L'1') {
        return "no split token (VELMORA_DEV_NO_SPLIT_TOKEN)";
    }
#endif
    return TokenIsElevatedSplit() ? std::string() : "no split token";
}

// A text from outside as one log line: no controls, not overly long.
std::string Printable(const std::wstring& text) {
    std::string out = WideToUtf8(text.substr(0, 300));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';
        }
    }
    return out;
}

ScopedBstr Bstr(const std::wstring& text) {
    return ScopedBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The desktop's shell dispatch object, the way an elevated process reaches the shell that runs
// as the desktop user: the desktop window's view, its background object, and the Shell
// application behind it. "" and the object, or the step that failed.
std::string DesktopShell(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IShellWindows, reinterpret_cast<void**>(windows.put()));
    if (FAILED(hr)) {
        return "ShellWindows " + Hex(hr);
    }
    ScopedVariant location;
    location.get()->vt = VT_I4;
    location.get()->lVal = CSIDL_DESKTOP;
    ScopedVariant root;
    long hwnd = 0;
    ComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(location.get(), root.get(), SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH,
                               desktop.put());
    if (hr != S_OK || !desktop) {
        return "FindWindowSW(SWC_DESKTOP) " + Hex(hr);
    }
    ComPtr<IServiceProvider> provider;
    hr = desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(provider.put()));
    if (FAILED(hr)) {
        return "IServiceProvider " + Hex(hr);
    }
    ComPtr<IShellBrowser> browser;
    hr = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                reinterpret_cast<void**>(browser.put()));
    if (FAILED(hr)) {
        return "QueryService(SID_STopLevelBrowser) " + Hex(hr);
    }
    ComPtr<IShellView> view;
    hr = browser->QueryActiveShellView(view.put());
    if (FAILED(hr) || !view) {
        return "QueryActiveShellView " + Hex(hr);
    }
    ComPtr<IDispatch> background;
    hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                             reinterpret_cast<void**>(background.put()));
    if (FAILED(hr) || !background) {
        return "GetItemObject(SVGIO_BACKGROUND) " + Hex(hr);
    }
    ComPtr<IShellFolderViewDual> folderView;
    hr = background->QueryInterface(IID_IShellFolderViewDual,
                                    reinterpret_cast<void**>(folderView.put()));
    if (FAILED(hr)) {
        return "IShellFolderViewDual " + Hex(hr);
    }
    ComPtr<IDispatch> application;
    hr = folderView->get_Application(application.put());
    if (FAILED(hr) || !application) {
        return "get_Application " + Hex(hr);
    }
    hr = application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell.put()));
    if (FAILED(hr)) {
        return "IShellDispatch2 " + Hex(hr);
    }
    // The shell starts the program; let it bring the new window to the front.
    DWORD shellProcess = 0;
    if (GetWindowThreadProcessId(reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd)),
                                 &shellProcess) != 0) {
        AllowSetForegroundWindow(shellProcess);
    }
    return std::string();
}

// COM on the calling thread for the shell's objects (the window's thread has it already; a
// thread in another mode keeps its own).
class ComOnThisThread {
public:
    ComOnThisThread() : result_(CoInitialize(nullptr)) {}
    ~ComOnThisThread() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComOnThisThread(const ComOnThisThread&) = delete;
    ComOnThisThread& operator=(const ComOnThisThread&) = delete;

private:
    HRESULT result_;
};

// "" when the desktop's shell took `target`; else why not.
std::string StartThroughDesktopShell(const std::wstring& target, const std::wstring& directory) {
    ComOnThisThread com;
    ComPtr<IShellDispatch2> shell;
    std::string fault = DesktopShell(shell);
    if (!fault.empty()) {
        return fault;
    }
    ScopedBstr file = Bstr(target);
    ScopedBstr folder = Bstr(directory);
    ScopedBstr verb = Bstr(L"open");
    if (!file || !folder || !verb) {
        return "out of memory";
    }
    VARIANT arguments, dir, operation, show;
    VariantInit(&arguments);
    VariantInit(&dir);
    VariantInit(&operation);
    VariantInit(&show);
    if (!directory.empty()) {
        dir.vt = VT_BSTR;
        dir.bstrVal = folder.get();  // still owned by `folder`
    }
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.get();
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    const HRESULT hr = shell->ShellExecute(file.get(), arguments, dir, operation, show);
    return FAILED(hr) ? "IShellDispatch2::ShellExecute " + Hex(hr) : std::string();
}
}  // namespace

LaunchWay OpenForDesktopUser(const std::wstring& target, const std::wstring& directory,
                             const char* what) {
    const std::string shown = Printable(target);
    std::string reason = ReasonToStartDirectly();
    if (reason.empty()) {
        reason = StartThroughDesktopShell(target, directory);
        if (reason.empty()) {
            LogI(kTag, what, " started as the desktop user through the desktop's shell: ", shown);
            return LaunchWay::DesktopUser;
        }
        reason = "no desktop shell to ask: " + reason;
    }
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr,
                      directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL);
    const INT_PTR code = reinterpret_cast<INT_PTR>(result);
    if (code <= 32) {
        LogW(kTag, what, " could not be started directly (", reason, "; ShellExecute ",
             static_cast<long>(code), "): ", shown);
        return LaunchWay::Failed;
    }
    LogI(kTag, what, " started directly with this process's rights (", reason, "): ", shown);
    return LaunchWay::Direct;
}

LaunchWay OpenLinkForDesktopUser(const std::wstring& url, const char* what) {
    const std::string refusal = LinkRefusal(url, ConfiguredLinkHosts());
    if (!refusal.empty()) {
        LogW(kTag, what, " not opened: ", refusal, ": ", Printable(url));
        return LaunchWay::Refused;
    }
    return OpenForDesktopUser(url, std::wstring(), what);
}
