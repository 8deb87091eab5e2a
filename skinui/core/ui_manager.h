#pragma once
// The paint manager of one skinned window: it owns the control tree, paints it double-buffered,
// turns window messages into control events, keeps focus, hover, capture, tooltips and timers,
// delivers notifications, and holds the window's fonts, images and colours. It takes controls
// through their interface (IControlUI) and hands back the application's type (CControlUI).
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "skinui/core/accessibility.h"
#include "skinui/core/control_interface.h"
#include "skinui/core/control_names.h"
#include "skinui/core/deferred_deletions.h"
#include "skinui/core/focus_ring.h"
#include "skinui/core/gdi_handles.h"
#include "skinui/core/image_cache.h"
#include "skinui/core/keyboard_focus.h"
#include "skinui/core/scaled_fonts.h"
#include "skinui/core/skin_image.h"
#include "skinui/core/timer_table.h"
#include "skinui/core/ui_events.h"
#include "skinui/core/window_metrics.h"

namespace SkinUI {

// The window's keyboard focus (CKeyboardFocus) reaches the window through IFocusHost.
class CUIManager : public IFocusHost {
public:
    // Posted to the window to carry out the deferred deletions.
    static constexpr UINT kDeferredDeleteMessage = WM_APP + 1;
    // WM_DPICHANGED (Windows 8.1 and later; not in the XP-level headers).
    static constexpr UINT kDpiChangedMessage = 0x02E0;

    CUIManager();
    ~CUIManager();
    CUIManager(const CUIManager&) = delete;
    CUIManager& operator=(const CUIManager&) = delete;

    // ---- window and tree
    void AttachWindow(HWND window);
    HWND GetWindow() const { return window_; }
    HDC GetWindowDC() const { return windowDC_.get(); }
    bool AttachRoot(IControlUI* root);
    // Getters hand out the application's control; RootControl, FocusedControl and
    // HoverControl give the same controls as the core sees them.
    CControlUI* GetRoot() const { return ControlOf(root_); }
    IControlUI* RootControl() const { return root_; }
    // Gives a control (and its subtree) this manager and parent and enters its names.
    void BindControls(IControlUI* control, IControlUI* parent);
    // Enters the names of a control and its subtree into the name map (a later control of the
    // same name replaces an earlier one).
    void EnterNames(IControlUI* control);
    // Called by a control that goes away: it stops being focus, hover, click or key control.
    void ForgetControl(IControlUI* control);

    void Invalidate(const RECT& rect);
    void SetUpdateNeeded() { updateNeeded_ = true; }
    bool IsUpdateNeeded() const { return updateNeeded_; }

    // ---- display scale
    // Dots per inch of the window's display: 96 is 100 %. Layouts give lengths at 100 %; the
    // window's settings below are kept in those units and read in pixels of this scale, and
    // controls scale their layout lengths when they are built (CControlUI::ApplyScale).
    int GetDpi() const { return metrics_.Dpi(); }
    // A length at 100 % in pixels of this window's scale (rounded half away from zero, as
    // ScaleByDpi everywhere in the framework).
    int ScaleLength(int length100) const { return metrics_.ScaleLength(length100); }
    RECT ScaleRect(const RECT& rect100) const { return metrics_.ScaleRect(rect100); }
    // Takes a new scale (WM_DPICHANGED, or a test): fonts and images are made again for it, the
    // tree's layout lengths scaled anew from the layout's numbers, and the tree relaid out.
    void SetDpi(int dpi);

    // ---- window settings (set in 100 % units, read in pixels of the window's scale)
    SIZE GetInitSize() const { return metrics_.InitSize(); }
    void SetInitSize(int cx, int cy);
    // The frame's lengths (size box, caption, round corners, minimum and maximum size) are
    // the window metrics' own: set through it by the layout, read through it by the window.
    CWindowMetrics& WindowMetrics() { return metrics_; }
    const CWindowMetrics& WindowMetrics() const { return metrics_; }
    bool IsShowUpdateRect() const { return showUpdateRect_; }
    void SetShowUpdateRect(bool show) { showUpdateRect_ = show; }
    int GetWindowOpacity() const { return opacity_; }
    void SetWindowOpacity(int alpha);
    bool IsBackgroundTransparent() const { return alphaBackground_; }
    void SetBackgroundTransparent(bool transparent) { alphaBackground_ = transparent; }
    bool IsOffscreenPaint() const { return offscreenPaint_; }
    void SetOffscreenPaint(bool offscreen) { offscreenPaint_ = offscreen; }

    // ---- colours (a parent manager's when set there and not here)
    DWORD GetDisabledColor() const { return disabledColor_; }
    void SetDisabledColor(DWORD color) { disabledColor_ = color; }
    DWORD GetDefaultFontColor() const { return defaultFontColor_; }
    void SetDefaultFontColor(DWORD color) { defaultFontColor_ = color; }
    DWORD GetLinkFontColor() const { return linkColor_; }
    void SetLinkFontColor(DWORD color) { linkColor_ = color; }
    DWORD GetLinkHoverFontColor() const { return linkHoverColor_; }
    void SetLinkHoverFontColor(DWORD color) { linkHoverColor_ = color; }
    DWORD GetSelectedBkColor() const { return selectedColor_; }
    void SetSelectedBkColor(DWORD color) { selectedColor_ = color; }

    // ---- messages
    bool OnPreMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Lays the tree out when needed (sending "windowinit" the first time) and moves a pending
    // focus: what WM_PAINT does before drawing.
    void LayoutIfNeeded();
    // Paints the tree's part inside `update` into dc: what WM_PAINT draws offscreen.
    void PaintTree(HDC dc, const RECT& update);

    // ---- notifications and listeners
    void NotifyAll(IControlUI* control, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0,
                   bool queued = false);
    bool AddListener(INotifyUI* listener);
    bool RemoveListener(INotifyUI* listener);
    bool AddMessageHook(IMessageFilterUI* hook);
    bool RemoveMessageHook(IMessageFilterUI* hook);
    bool AddPreMessageHook(IMessageFilterUI* hook);
    bool RemovePreMessageHook(IMessageFilterUI* hook);
    bool AddPostPainter(IControlUI* control);
    bool RemovePostPainter(IControlUI* control);
    bool AddTranslateAccelerator(ITranslateAccelerator* accelerator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* accelerator);
    void SetUseVirtualWnd(bool use) { useVirtualWnd_ = use; }
    bool UsesVirtualWnd() const { return useVirtualWnd_; }

    // ---- deferred deletion
    // Deletes a control (and its subtree) when kDeferredDeleteMessage reaches the window. Any
    // thread may ask: on the window's thread the control leaves focus, hover, the name map,
    // timers and option groups at once; asked from another thread it leaves them on the
    // window's thread when the message arrives. The control must no longer be in a container.
    void AddDeferredDelete(IControlUI* control);

    // ---- timers
    bool StartTimer(IControlUI* control, UINT localId, UINT elapse);
    bool StopTimer(IControlUI* control, UINT localId);
    void RemoveTimersOf(IControlUI* control);

    // ---- focus, hit testing, names, capture
    CControlUI* GetFocus() const { return ControlOf(focus_.Control()); }
    IControlUI* FocusedControl() const { return focus_.Control(); }
    // The one place where a control gains the focus (and the old one loses it).
    void FocusControl(IControlUI* control) { focus_.Set(control); }
    void FocusControlLater(IControlUI* control) { focus_.SetLater(control); }
    bool FocusNextTab(bool forward);
    // The visible, enabled tab stops in reading order: line by line from the top, each line
    // from the left.
    std::vector<CControlUI*> GetTabStops() const;
    // The first visible, enabled control marked "default" (Enter's target when the focused
    // control is not a button) or "cancel" (Esc's target); null when there is none.
    CControlUI* GetDefaultButton() const { return ControlOf(DefaultButton()); }
    CControlUI* GetCancelButton() const { return ControlOf(CancelButton()); }
    // Focuses the default button, else the first tab stop, else nothing: what a window or
    // page that has just appeared offers the keyboard.
    void FocusDefaultButton() { focus_.SetToDefault(); }
    // The same at the next layout (a page or box whose controls are still being shown).
    void FocusDefaultButtonLater() { focus_.SetToDefaultLater(); }
    CControlUI* FindByName(const wchar_t* name) const;
    CControlUI* FindAtPoint(POINT point) const { return ControlOf(ControlAt(point)); }
    void CaptureMouse();
    void ReleaseMouse();
    bool IsCaptured() const { return captured_; }
    POINT GetMousePos() const { return lastMouse_; }
    CControlUI* GetHover() const { return ControlOf(hover_); }
    IControlUI* HoverControl() const { return hover_; }
    CControlUI* GetClickControl() const { return ControlOf(click_); }

    // ---- keyboard cues (Windows' UI state): the focus is drawn only once the keyboard has
    // moved or used it, unless the user asked Windows to show it always.
    bool IsFocusShown() const { return !focus_.IsHidden(); }
    // A key that moves or uses the focus was pressed: the focus is shown from now on.
    void ShowFocusFromKeyboard();
    const FocusRingStyle& GetFocusRing() const { return focus_.WindowRing(); }
    void SetFocusRing(const FocusRingStyle& style) { focus_.SetWindowRing(style); }
    // Where the focus ring of a control goes (empty when it draws none).
    RECT FocusRingRectOf(IControlUI* control) const { return focus_.RingRectOf(control); }

    // ---- option groups and default attribute lists (used by the layout builder and options)
    bool AddOptionGroup(const wchar_t* group, IControlUI* control);
    const std::vector<CControlUI*>* GetOptionGroup(const wchar_t* group) const;
    void RemoveOptionGroup(const wchar_t* group, IControlUI* control);
    void AddDefaultAttributeList(const wchar_t* controlName, const wchar_t* list);
    const wchar_t* GetDefaultAttributeList(const wchar_t* controlName) const;

    // ---- fonts
    void SetParentManager(CUIManager* parent) { parent_ = parent; }
    CUIManager* GetParentManager() const { return parent_; }
    FontEntry* GetDefaultFont();
    void SetBaseFont(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    HFONT AddFontEntry(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    HFONT GetFontByIndex(int index);
    FontEntry* GetFontEntry(int index);
    FontEntry* GetFontEntry(HFONT font);
    int GetFontCount() const { return fonts_.Count(); }
    FontEntry* FindFontEntry(const wchar_t* face, int size, bool bold, bool underline, bool italic);
    const TEXTMETRICW& GetFontMetrics(FontEntry* entry);

    // ---- images
    const SkinImage* FindImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0) {
        return images_.Find(name, type, mask);
    }
    // Starts loading an image as FindImage would, on a thread of its own: for a large image the
    // first paint needs (a window background at a large scale), started before the control tree
    // is built. FindImage then takes it, waiting for it if need be. Nothing happens at 100 %,
    // where loading is cheap, or when the image is cached or on its way already.
    void PrefetchImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0) {
        images_.Prefetch(name, type, mask);
    }
    // The same for every image an image spec ("res='170' restype='png'") draws.
    void PrefetchImages(const wchar_t* spec) { images_.PrefetchSpec(spec); }

    // ---- screen readers (MSAA)
    // A control's state, name, value or shown children changed: tells a listening screen
    // reader. The control that changes calls it, before its own notification.
    void NotifyAccessible(IControlUI* control, AccessibleChange change);
    // Has a screen reader read the control out now (a result that just appeared).
    void AnnounceAccessible(IControlUI* control);
    // A dialog: the window reads as a dialog whose message labels are one text.
    void SetAccessibleDialog(bool dialog) { accessibleDialog_ = dialog; }
    bool IsAccessibleDialog() const { return accessibleDialog_; }

    // ---- process-wide
    static void SetProgramInstance(HINSTANCE instance);
    static HINSTANCE GetProgramInstance();
    static void SetResourceInstance(HINSTANCE instance);
    static void SetDefaultFontFace(const wchar_t* face);
    static bool TranslateQueuedMessage(MSG* msg);
    static void RunMessageLoop();

private:
    // IFocusHost: what a focus change asks of the window.
    void TakeWindowFocus(bool always) override;
    bool IsOwnControl(IControlUI* control) const override;
    void OnFocusStep(FocusStep step, IControlUI* control, IControlUI* gaining) override;
    void InvalidateArea(const RECT* area) override;
    void RequestLayout() override;
    std::vector<IControlUI*> TabStops() const override;
    IControlUI* DefaultButton() const override;
    IControlUI* CancelButton() const;
    IControlUI* ControlAt(POINT point) const;
    ControlEvent MakeEvent(int kind, IControlUI* target, WPARAM wParam = 0, LPARAM lParam = 0);
    void SendEvent(IControlUI* target, ControlEvent& event);
    static WORD KeyStateFromKeyboard();
    void DeliverQueuedNotifications();
    void DeliverNotification(Notification& notification, IControlUI* sender);
    void DeleteDeferred();
    // The control and its subtree stop being known to this manager and lose it.
    void Detach(IControlUI* control);
    // The window's messages by group; each returns true when the window has answered the
    // message (result holds the answer). Inline: each is called from one place only, in the
    // file that defines it (ui_manager_messages.cpp, ui_manager_mouse.cpp).
    inline bool OnMessageGroup(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    inline bool OnAccessibilityMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    inline bool OnPaintMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    inline void OnKeyMessage(UINT message, WPARAM wParam, LPARAM lParam);
    inline void OnFocusMessage(UINT message, WPARAM wParam, LPARAM lParam);
    inline void OnTimerMessage(WPARAM wParam, LPARAM lParam);
    inline bool OnSizeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    inline bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    inline void OnSystemColourMessage();
    bool OnPaint();
    inline void PrintClient(HDC dc, LPARAM flags);
    inline void LimitTrackSize(MINMAXINFO& info) const;
    bool OnKeyboardNavigation(WPARAM key, LPARAM lParam);
    void OnMouseMove(POINT point);
    inline void OnMouseHover(WPARAM wParam, LPARAM lParam);
    inline void OnMouseLeave();
    inline void OnMouseDown(UINT message, WPARAM wParam, LPARAM lParam);
    // The press ends (button up, or a context menu): the pressed control gets the event.
    inline void EndClick(int kind, WPARAM wParam, LPARAM lParam, bool withKeyState);
    inline void OnMouseWheel(WPARAM wParam, LPARAM lParam);
    inline bool OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void ShowToolTip(IControlUI* control);
    void ReleaseOffscreen();
    void SetHover(IControlUI* control);
    CAccessibility& Accessibility();
    // Fonts (and the native children that use them) made again for a new scale.
    void RemakeFonts();

    HWND window_ = nullptr;
    WindowDC windowDC_;
    MemoryDC offscreenDC_;
    BitmapHandle offscreenBitmap_;
    HGDIOBJ offscreenOld_ = nullptr;
    MemoryDC backgroundDC_;
    BitmapHandle backgroundBitmap_;
    HGDIOBJ backgroundOld_ = nullptr;
    HWND tooltip_ = nullptr;
    TOOLINFOW toolInfo_ = {};
    std::wstring tooltipText_;

    IControlUI* root_ = nullptr;
    // Early in the object (short offsets): the focused control is read from many places.
    CKeyboardFocus focus_{*this, metrics_};
    IControlUI* hover_ = nullptr;
    IControlUI* click_ = nullptr;
    IControlUI* keyPress_ = nullptr;
    POINT lastMouse_ = {-1, -1};

    CWindowMetrics metrics_;
    bool showUpdateRect_ = false;
    int opacity_ = 255;
    bool alphaBackground_ = false;

    DWORD disabledColor_ = 0xFFA7A6AA;
    DWORD defaultFontColor_ = 0xFF000000;
    DWORD linkColor_ = 0xFF0000FF;
    DWORD linkHoverColor_ = 0xFFD3215F;
    DWORD selectedColor_ = 0xFFBAE4FF;

    bool firstLayout_ = true;
    bool updateNeeded_ = false;
    bool offscreenPaint_ = true;
    bool mouseTracking_ = false;
    bool captured_ = false;
    bool useVirtualWnd_ = false;

    std::vector<INotifyUI*> listeners_;
    CTimerTable timers_;
    std::vector<IMessageFilterUI*> preMessageHooks_;
    std::vector<IMessageFilterUI*> messageHooks_;
    std::vector<IControlUI*> postPainters_;
    CDeferredDeletions deferredDeletes_;
    struct QueuedNotification {
        Notification notification;
        IControlUI* sender;
    };
    std::deque<QueuedNotification> queuedNotifications_;
    std::vector<ITranslateAccelerator*> accelerators_;
    CControlNames names_;
    std::unordered_map<std::wstring, std::vector<CControlUI*>> optionGroups_;
    CImageCache images_;
    std::unordered_map<std::wstring, std::wstring> defaultAttributes_;

    CScaledFonts fonts_;
    CUIManager* parent_ = nullptr;

    // The thread that owns the window (the one that built the manager until a window is
    // attached).
    DWORD windowThread_ = 0;

    // Made at the first accessibility event or request.
    std::unique_ptr<CAccessibility> accessibility_;
    bool accessibleDialog_ = false;
};

}  // namespace SkinUI
