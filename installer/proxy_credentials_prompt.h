#pragma once
// The Windows credential prompt for a proxy that asks who we are, for interactive runs.
#include <windows.h>

#include "download/proxy_auth.h"

// The prompt's caption; the message names the proxy.
extern const wchar_t kProxyPromptCaption[];

// Asks in CredUIPromptForCredentialsW, owned by the installer's window that the user sees (the
// main window or the configuration's retry prompt), with a "remember" box. False for Cancel,
// and when credui.dll cannot be loaded.
bool PromptForProxyCredentials(const ProxyChallenge& challenge, ProxyCredentials* out);

// The installer's visible, enabled top-level window (the foreground one first), or null.
HWND ProxyPromptOwner();

// From now on the process asks when a proxy refuses the logon and the saved credentials.
void EnableProxyCredentialsPrompt();
