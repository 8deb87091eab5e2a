#include "download/winhttp_proxy.h"

#include <process.h>
#include <winhttp.h>

#include <memory>

#include "app/scoped_handles.h"
#include "app/system_library.h"

struct WinHttpProxy::Functions {
    decltype(&WinHttpGetIEProxyConfigForCurrentUser) getIeConfig = nullptr;
    decltype(&WinHttpOpen) open = nullptr;
    decltype(&WinHttpSetTimeouts) setTimeouts = nullptr;
    decltype(&WinHttpGetProxyForUrl) getProxyForUrl = nullptr;
    decltype(&WinHttpCloseHandle) close = nullptr;
};

namespace {

// A text WinHTTP allocated with GlobalAlloc for the caller.
using GlobalText = ScopedGlobalMemory<wchar_t>;

class ScopedInternet {
public:
    ScopedInternet(HINTERNET handle, decltype(&WinHttpCloseHandle) close)
        : handle_(handle), close_(close) {}
    ~ScopedInternet() {
        if (handle_) {
            close_(handle_);
        }
    }
    ScopedInternet(const ScopedInternet&) = delete;
    ScopedInternet& operator=(const ScopedInternet&) = delete;
    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
    decltype(&WinHttpCloseHandle) close_;
};

template <typename Function>
void Find(HMODULE module, const char* name, Function* out) {
    *out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// One lookup, shared by the caller that waits and the worker that may outlive the wait.
struct LookupJob {
    const WinHttpProxy* owner;
    std::wstring url;
    bool autoDetect;
    std::wstring scriptUrl;
    DWORD timeoutMs;
    ScopedHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    AutoProxyAnswer answer;  // written by the worker before done is set
};

}  // namespace

const WinHttpProxy& WinHttpProxy::Get() {
    static const WinHttpProxy instance;
    return instance;
}

WinHttpProxy::WinHttpProxy() {
    // By its full path in the system folder, never from the search path. The library stays
    // loaded for the whole run: an abandoned lookup may still be running inside it.
    HMODULE module = LoadSystemLibrary(L"winhttp.dll");
    if (!module) {
        return;
    }
    static Functions functions;
    Find(module, "WinHttpGetIEProxyConfigForCurrentUser", &functions.getIeConfig);
    Find(module, "WinHttpOpen", &functions.open);
    Find(module, "WinHttpSetTimeouts", &functions.setTimeouts);
    Find(module, "WinHttpGetProxyForUrl", &functions.getProxyForUrl);
    Find(module, "WinHttpCloseHandle", &functions.close);
    functions_ = &functions;
    available_ = functions.getIeConfig && functions.open && functions.setTimeouts &&
                 functions.getProxyForUrl && functions.close;
}

bool WinHttpProxy::ReadIeConfig(IeProxyConfig* out) const {
    if (!available_) {
        return false;
    }
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!functions_->getIeConfig(&config)) {
        return false;
    }
    GlobalText script(config.lpszAutoConfigUrl);
    GlobalText proxy(config.lpszProxy);
    GlobalText bypass(config.lpszProxyBypass);
    out->autoDetect = config.fAutoDetect != FALSE;
    out->autoConfigUrl = script.get() ? script.get() : L"";
    out->proxy = proxy.get() ? proxy.get() : L"";
    out->bypass = bypass.get() ? bypass.get() : L"";
    return true;
}

AutoProxyAnswer WinHttpProxy::LookupNow(const std::wstring& url, bool autoDetect,
                                        const std::wstring& scriptUrl, DWORD timeoutMs) const {
    AutoProxyAnswer answer;
    ScopedInternet session(functions_->open(L"VelmoraInstaller", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0),
                           functions_->close);
    if (!session.get()) {
        answer.error = GetLastError();
        return answer;
    }
    const int ms = static_cast<int>(timeoutMs);
    functions_->setTimeouts(session.get(), ms, ms, ms, ms);
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (autoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (!scriptUrl.empty()) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = scriptUrl.c_str();
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (!functions_->getProxyForUrl(session.get(), url.c_str(), &options, &info)) {
        answer.error = GetLastError();
        return answer;
    }
    GlobalText proxy(info.lpszProxy);
    GlobalText bypass(info.lpszProxyBypass);
    answer.proxy = proxy.get() ? proxy.get() : L"";
    answer.bypass = bypass.get() ? bypass.get() : L"";
    answer.kind = (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && !answer.proxy.empty())
                      ? AutoProxyAnswer::Proxy
                      : AutoProxyAnswer::Direct;
    return answer;
}

unsigned __stdcall WinHttpProxy::LookupThread(void* argument) {
    std::unique_ptr<std::shared_ptr<LookupJob>> holder(
        static_cast<std::shared_ptr<LookupJob>*>(argument));
    LookupJob& job = **holder;
    job.answer = job.owner->LookupNow(job.url, job.autoDetect, job.scriptUrl, job.timeoutMs);
    SetEvent(job.done.get());
    return 0;
}

AutoProxyAnswer WinHttpProxy::Lookup(const std::wstring& url, bool autoDetect,
                                     const std::wstring& scriptUrl, DWORD waitMs) const {
    AutoProxyAnswer answer;
    if (!available_ || (!autoDetect && scriptUrl.empty())) {
        return answer;
    }
    auto job = std::make_shared<LookupJob>();
    job->owner = this;
    job->url = url;
    job->autoDetect = autoDetect;
    job->scriptUrl = scriptUrl;
    job->timeoutMs = waitMs;
    if (!job->done.valid()) {
        answer.error = GetLastError();
        return answer;
    }
    auto* forThread = new std::shared_ptr<LookupJob>(job);
    ScopedHandle thread(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &WinHttpProxy::LookupThread, forThread, 0, nullptr)));
    if (!thread.valid()) {
        delete forThread;
        answer.error = ERROR_NOT_ENOUGH_MEMORY;
        return answer;
    }
    if (WaitForSingleObject(job->done.get(), waitMs) != WAIT_OBJECT_0) {
        answer.kind = AutoProxyAnswer::TimedOut;
        return answer;
    }
    return job->answer;
}
