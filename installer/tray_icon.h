#pragma once
// The main window's one icon in the notification area, with its tip and balloons. The icon is
// taken out of the area when the owner goes away.
#include <windows.h>

#include <string>

#include "app/scoped_handles.h"  // ScopedIcon

class TrayIcon {
public:
    TrayIcon(UINT id, UINT callbackMessage) : id_(id), callbackMessage_(callbackMessage) {}
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Puts the icon (icon resource of the executable) with its tip into the area.
    bool Add(HWND window, UINT iconResource, const std::wstring& tip);
    // Takes the icon out (also when it was never added: nothing happens then).
    void Remove();
    // A balloon over the icon; an empty text hides the one shown.
    bool ShowBalloon(const std::wstring& text, const std::wstring& title);

    bool added() const { return added_; }
    // Whether the shell took the icon version that brings the keyboard's messages.
    bool versioned() const { return versioned_; }
    // A message of the icon's callback that means "open the window": a left click, or Enter or
    // Space on the icon.
    static bool IsActivation(LPARAM callbackEvent);

    // The message Explorer broadcasts when it has (re)created the notification area; an icon
    // shown before is gone then and has to be added again.
    static UINT TaskbarCreatedMessage();
    UINT id() const { return id_; }

private:
    UINT id_;
    UINT callbackMessage_;
    HWND window_ = nullptr;
    bool added_ = false;
    bool versioned_ = false;
    ScopedIcon icon_;
};
