#include "installer/config_fetch.h"

#include <process.h>

#include "app/log.h"
#include "installer/install_settings.h"
#include "installer/proxy_credentials_prompt.h"
#include "skinui/core/ui_manager.h"

namespace {
const char kTag[] = "ConfigFetch";
}  // namespace

ConfigFetch::ConfigFetch(InstallSettings& settings) : settings_(settings) {
    // The window's run may ask the user for a proxy's credentials; a silent run never does.
    EnableProxyCredentialsPrompt();
    Start();
}

ConfigFetch::~ConfigFetch() {
    if (thread_.valid()) {
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

void ConfigFetch::Start() {
    found_ = false;
    thread_.reset(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &ConfigFetch::Attempt, this, 0, nullptr)));
    if (!thread_.valid()) {
        // No thread to spare: the attempt runs here, as it did before the window existed.
        LogW(kTag, "no thread for the configuration request: asking on the window's thread");
        found_ = settings_.TryOnce();
    }
}

unsigned __stdcall ConfigFetch::Attempt(void* self) {
    ConfigFetch* fetch = static_cast<ConfigFetch*>(self);
    fetch->found_ = fetch->settings_.TryOnce();
    return 0;
}

bool ConfigFetch::Wait() {
    for (;;) {
        if (!WaitForAttempt()) {
            return false;
        }
        thread_.reset();
        if (found_) {
            settings_.FetchDone();
            return true;
        }
        settings_.PromptAfterFailure();
        Start();
    }
}

bool ConfigFetch::WaitForAttempt() {
    while (thread_.valid()) {
        // Drained before each wait: the wait wakes only for messages that came after.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            if (!SkinUI::CUIManager::TranslateQueuedMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        HANDLE thread = thread_.get();
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) {
            return true;
        }
    }
    return true;
}
