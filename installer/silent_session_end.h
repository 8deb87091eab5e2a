#pragma once
// A silent run ended by the system (log-off or shutdown) ends with kExitEndedBySystem: a hidden
// top-level window on a thread of its own answers WM_QUERYENDSESSION and WM_ENDSESSION (which
// Windows sends to top-level windows only), and a console control handler the console's
// log-off, shutdown and close events.
#include <windows.h>

// The class name of that window.
extern const wchar_t kSessionEndWindowClass[];

// Starts the watch; false (with a W line) when its thread could not be started.
bool StartSessionEndWatch();
