#include "installer/proxy_credentials_prompt.h"

#include <wincred.h>

#include <vector>

#include "app/log.h"
#include "app/scoped_handles.h"
#include "app/system_library.h"
#include "app/text_convert.h"
#include "installer/main_frame_texts.h"

const wchar_t kProxyPromptCaption[] = L"VelmoraInstaller - proxy server";

namespace {
const char kTag[] = "ProxyPrompt";

using PromptFunction = DWORD(WINAPI*)(PCREDUI_INFOW, PCWSTR, PCtxtHandle, DWORD, PWSTR, ULONG,
                                      PWSTR, ULONG, BOOL*, DWORD);

BOOL CALLBACK FindVisible(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND ProxyPromptOwner() {
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground && GetWindowThreadProcessId(foreground, &process) &&
        process == GetCurrentProcessId()) {
        return foreground;
    }
    HWND found = nullptr;
    EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool PromptForProxyCredentials(const ProxyChallenge& challenge, ProxyCredentials* out) {
    // Loaded when first needed: most runs never meet such a proxy.
    static HMODULE credui = LoadSystemLibrary(L"credui.dll");  // kept for the run
    PromptFunction prompt = credui ? reinterpret_cast<PromptFunction>(reinterpret_cast<void*>(
                                         GetProcAddress(credui, "CredUIPromptForCredentialsW")))
                                   : nullptr;
    if (!prompt) {
        LogE(kTag, "no credential prompt (credui.dll), error=",
             static_cast<unsigned long>(GetLastError()));
        return false;
    }
    const std::wstring proxy = WidenBytes(challenge.proxy);
    // Short: Wine's prompt shows one line of it. In the language of the installer's windows.
    const std::wstring message = IsChineseLanguage(GetUserDefaultLangID())
                                     ? L"登录代理服务器 " + proxy
                                     : L"Sign in to the proxy server " + proxy;
    const std::wstring target = L"Velmora proxy " + proxy;
    CREDUI_INFOW info = {};
    info.cbSize = sizeof info;
    info.hwndParent = ProxyPromptOwner();
    info.pszMessageText = message.c_str();
    info.pszCaptionText = kProxyPromptCaption;
    std::vector<wchar_t> user(CREDUI_MAX_USERNAME_LENGTH + 1, L'\0');
    std::vector<wchar_t> password(CREDUI_MAX_PASSWORD_LENGTH + 1, L'\0');
    challenge.user.copy(user.data(), std::min(challenge.user.size(), user.size() - 1));
    BOOL save = FALSE;
    // Saved by the installer itself, and only once the proxy has taken them.
    const DWORD flags = CREDUI_FLAGS_GENERIC_CREDENTIALS | CREDUI_FLAGS_ALWAYS_SHOW_UI |
                        CREDUI_FLAGS_DO_NOT_PERSIST | CREDUI_FLAGS_SHOW_SAVE_CHECK_BOX;
    LogI(kTag, "asking for the credentials of proxy ", challenge.proxy, " (", challenge.schemes,
         ")");
    const DWORD result =
        prompt(&info, target.c_str(), nullptr, 0, user.data(), static_cast<ULONG>(user.size()),
               password.data(), static_cast<ULONG>(password.size()), &save, flags);
    bool given = false;
    if (result == NO_ERROR) {
        out->user = user.data();
        // Wine completes a bare name with the target as its domain ("<target>\\name"), which
        // Windows does not do for generic credentials: the proxy wants the name as typed.
        const std::wstring completed = target + L"\\";
        if (out->user.compare(0, completed.size(), completed) == 0) {
            out->user.erase(0, completed.size());
        }
        out->password = password.data();
        out->remember = save != FALSE;
        given = true;
    } else if (result != ERROR_CANCELLED) {
        LogE(kTag, "credential prompt failed, error=", static_cast<unsigned long>(result));
    }
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    return given;
}

void EnableProxyCredentialsPrompt() {
    ProxyAuth::Process().SetPrompt(&PromptForProxyCredentials);
}
