#pragma once
// The window's configuration fetch: each attempt runs on a worker thread while the UI thread
// creates the main window (hidden) and answers its messages; the retry prompt after a failed
// attempt is shown on the UI thread, before the window is, as the fetching constructor does.
#include "app/scoped_handles.h"

class InstallSettings;

class ConfigFetch {
public:
    // Starts the first attempt. The settings must outlive the fetch.
    explicit ConfigFetch(InstallSettings& settings);
    ~ConfigFetch();  // waits for an attempt still running
    ConfigFetch(const ConfigFetch&) = delete;
    ConfigFetch& operator=(const ConfigFetch&) = delete;

    // Dispatches this thread's messages until an attempt gives a package; after a failed one
    // shows the retry prompt (quitting there ends the process) and starts the next. False
    // when WM_QUIT came first (posted again for the caller's message loop).
    bool Wait();

private:
    void Start();
    bool WaitForAttempt();
    static unsigned __stdcall Attempt(void* self);

    InstallSettings& settings_;
    ScopedHandle thread_;
    bool found_ = false;  // written by the attempt's thread, read once it has ended
};
