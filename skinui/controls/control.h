#pragma once
// The base of every skinned control: geometry, visibility, focus, events and painting of the
// background colour, background image and border. Containers and the concrete controls build
// on it.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "skinui/core/control_interface.h"

namespace SkinUI {

class CUIManager;

struct RelativePos {
    bool active = false;
    SIZE parentSize = {0, 0};
    int moveX = 0;
    int moveY = 0;
    int zoomX = 0;
    int zoomY = 0;
};

// What a press of the pointer on a control is for, in a window that is dragged by its
// background.
enum class PointerUse {
    Background,  // nothing of the control's: the press drags the window
    Text,        // static text: each window decides whether its texts drag it
    Control,     // the control takes the press itself (buttons, boxes, edits, links)
};

class CControlUI : public IControlUI {
public:
    using ControlListener = std::function<bool(CControlUI*)>;
    using EventListener = std::function<bool(ControlEvent&)>;
    using NotifyListener = std::function<bool(Notification&)>;

    CControlUI() = default;
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;
    ~CControlUI() override;

    CControlUI* AsControl() final { return this; }

    // Virtual: what the core asks through its interface and what controls change. The plain
    // accessors of geometry and data are not, as no control changes them.

    virtual std::wstring GetName() const { return name_; }
    void SetName(const wchar_t* name) { name_ = name != nullptr ? name : L""; }
    virtual const wchar_t* GetClassName() const { return L"ControlUI"; }
    virtual unsigned GetInputFlags() const { return 0; }
    virtual bool Activate();
    virtual CUIManager* GetManager() const { return manager_; }
    void SetManager(CUIManager* manager, IControlUI* parent, bool init = true) override;
    CControlUI* GetParent() const override { return parent_; }
    virtual std::wstring GetText() const { return text_; }
    virtual void SetText(const wchar_t* text);
    virtual const RECT& GetPos() const { return itemRect_; }
    virtual void SetPos(RECT rect);
    int GetWidth() const { return itemRect_.right - itemRect_.left; }
    int GetHeight() const { return itemRect_.bottom - itemRect_.top; }
    int GetX() const { return itemRect_.left; }
    int GetY() const { return itemRect_.top; }
    RECT GetPadding() const { return padding_; }
    void SetPadding(RECT padding);
    SIZE GetFixedPos() const { return fixedPos_; }
    void SetFixedPos(SIZE pos);
    int GetFixedWidth() const { return fixedWidth_; }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return fixedHeight_; }
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return minWidth_; }
    void SetMinWidth(int cx);
    int GetMaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int cx);
    int GetMinHeight() const { return minHeight_; }
    void SetMinHeight(int cy);
    int GetMaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int cy);
    void SetRelativePos(int moveX, int moveY, int zoomX, int zoomY);
    void SetRelativeBase(int cx, int cy);
    RelativePos GetRelativePos() const { return relativePos_; }
    bool IsRelativePos() const { return relativePos_.active; }
    // What a screen reader reads for a control without text, or instead of its text (the
    // "accname" attribute).
    std::wstring GetAccessibleName() const { return accessibleName_; }
    void SetAccessibleName(const wchar_t* name) { accessibleName_ = name != nullptr ? name : L""; }
    virtual std::wstring GetToolTip() const { return tooltip_; }
    void SetToolTip(const wchar_t* text) { tooltip_ = text != nullptr ? text : L""; }
    virtual wchar_t GetShortcut() const { return shortcut_; }
    void SetShortcut(wchar_t key) { shortcut_ = key; }
    bool IsMenuEnabled() const { return menu_; }
    void SetMenuEnabled(bool enabled) { menu_ = enabled; }
    std::wstring GetUserData() const { return userData_; }
    void SetUserData(const wchar_t* text) { userData_ = text != nullptr ? text : L""; }
    UINT_PTR GetTag() const { return tag_; }
    void SetTag(UINT_PTR tag) { tag_ = tag; }
    virtual bool IsVisible() const { return visible_ && parentVisible_; }
    virtual void SetVisible(bool visible);
    virtual void SetParentVisible(bool visible);
    virtual bool IsEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    bool IsMouseEnabled() const { return mouseEnabled_; }
    virtual void SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
    virtual bool IsKeyboardEnabled() const { return keyboardEnabled_; }
    void SetKeyboardEnabled(bool enabled) { keyboardEnabled_ = enabled; }
    // Enter presses the default button of a window or page when the focused control is not a
    // button; Esc presses the cancel button (the window's close).
    bool IsDefaultButton() const final { return defaultButton_; }
    void SetDefaultButton(bool isDefault) { defaultButton_ = isDefault; }
    bool IsCancelButton() const final { return cancelButton_; }
    void SetCancelButton(bool isCancel) { cancelButton_ = isCancel; }
    // The focus ring this control draws: the window's, with what the control sets itself.
    FocusRingStyle GetFocusRing(const FocusRingStyle& window) const final;
    bool IsFocused() const { return focused_; }
    virtual void TakeFocus();
    bool IsFloat() const { return float_; }
    void SetFloat(bool isFloat);
    CControlUI* FindControl(FindControlProc visitor, void* data, unsigned flags) override;
    virtual void Init();
    virtual void OnInit() {}
    virtual void Event(ControlEvent& event);
    virtual void HandleEvent(ControlEvent& event);
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    virtual SIZE MeasureSize(SIZE available);
    virtual void Paint(HDC dc, const RECT& dirty);
    virtual void PaintBackColor(HDC dc);
    virtual void PaintBackImage(HDC dc);
    virtual void PaintStateImage(HDC /*dc*/) {}
    virtual void PaintText(HDC /*dc*/) {}
    virtual void PaintBorder(HDC dc);
    // Whether the background image says something (an icon, a logo) and stays in high
    // contrast; a decorative one gives way to the window colour.
    virtual bool BackImageCarriesMeaning() const { return true; }
    void PaintAfter(HDC /*dc*/, const RECT& /*dirty*/) override {}

    bool TakesShortcut() const override { return true; }
    bool IsPressedByEnter() const override { return false; }
    // At a point of the control, in client coordinates.
    virtual PointerUse PointerUseAt(POINT /*point*/) const { return PointerUse::Background; }
    void RunNotifyListeners(Notification& notification) final;
    // Nothing by default: a control that a screen reader needs says what it is.
    bool DescribeAccessible(AccessibleDescription& /*description*/) const override { return false; }
    // The name a screen reader reads: the "accname" attribute when set, else the text, trimmed
    // (a label reads its marked-up text as drawn).
    std::wstring AccessibleName() const;

    // Brings the lengths the layout gave at 100 % (pos, width, height, limits, padding) to the
    // manager's scale; called when the control is configured, attached and when the scale
    // changes. Containers pass it on to their children. Lengths set in code through the
    // setters are pixels and stay as they are until the layout's next value replaces them.
    virtual void ApplyScale();

    // Helpers; those the core calls through its interface are final.
    void Invalidate();
    void RequestLayout() final;
    void RequestParentLayout();
    bool IsUpdateNeeded() const final { return updateNeeded_; }
    void SetAttributeList(const wchar_t* list);
    std::wstring GetVirtualWnd() const final { return virtualWnd_; }
    void SetVirtualWnd(const wchar_t* name);
    std::wstring GetBkImage() const { return bkImage_; }
    void SetBkImage(const wchar_t* spec);
    DWORD GetBkColor() const { return bkColor1_; }
    void SetBkColor(DWORD color);
    void SetBkColor2(DWORD color);
    void SetBkColor3(DWORD color);
    void SetBorderColor(DWORD color);
    void SetFocusBorderColor(DWORD color);
    void SetBorderSize(int size);
    void SetBorderRound(SIZE round);
    const RECT& GetPaintRect() const { return paintRect_; }
    // Background and border colours as painted (through the HSL shift when asked for).
    DWORD AdjustColor(DWORD color) const;

    std::vector<ControlListener> initListeners;
    std::vector<ControlListener> destroyListeners;
    std::vector<ControlListener> sizeListeners;
    std::vector<EventListener> eventListeners;
    std::vector<NotifyListener> notifyListeners;

protected:
    // A length at 100 % in pixels of the manager's scale (unchanged without a manager).
    int ScaleLength(int length100) const;
    RECT ScaleRect(const RECT& rect100) const;

    // The layout lengths as written, kept so that a change of scale starts from them again.
    struct LayoutLengths {
        bool hasPos = false;
        SIZE pos = {0, 0};
        bool hasWidth = false;
        int width = 0;
        bool hasHeight = false;
        int height = 0;
        bool hasMinWidth = false;
        int minWidth = 0;
        bool hasMaxWidth = false;
        int maxWidth = 0;
        bool hasMinHeight = false;
        int minHeight = 0;
        bool hasMaxHeight = false;
        int maxHeight = 0;
        bool hasPadding = false;
        RECT padding = {0, 0, 0, 0};
    };
    LayoutLengths layout100_;
    void ApplyLayoutLengths();
    // Attribute groups of SetAttribute; true when the name was theirs.
    bool SetLayoutAttribute(const std::wstring& key, const wchar_t* value);
    bool SetLookAttribute(const std::wstring& key, const wchar_t* value);

    CUIManager* manager_ = nullptr;
    CControlUI* parent_ = nullptr;
    std::wstring virtualWnd_;
    std::wstring name_;
    bool updateNeeded_ = true;
    bool menu_ = false;
    RECT itemRect_ = {0, 0, 0, 0};
    RECT padding_ = {0, 0, 0, 0};
    SIZE fixedPos_ = {0, 0};
    int fixedWidth_ = 0;
    int fixedHeight_ = 0;
    int minWidth_ = 0;
    int minHeight_ = 0;
    int maxWidth_ = 9999;
    int maxHeight_ = 9999;
    bool visible_ = true;
    bool parentVisible_ = true;
    bool enabled_ = true;
    bool mouseEnabled_ = true;
    bool keyboardEnabled_ = true;
    bool focused_ = false;
    bool defaultButton_ = false;
    bool cancelButton_ = false;
    // The control's own focus ring settings; unset ones come from the window.
    bool ownRingColor_ = false;
    DWORD ringColor_ = 0;
    int ringWidth_ = -1;
    bool ownRingGap_ = false;
    int ringGap_ = 0;
    bool float_ = false;
    bool inSizeNotify_ = false;
    RelativePos relativePos_;
    std::wstring text_;
    std::wstring tooltip_;
    std::wstring accessibleName_;
    wchar_t shortcut_ = 0;
    std::wstring userData_;
    UINT_PTR tag_ = 0;
    DWORD bkColor1_ = 0;
    DWORD bkColor2_ = 0;
    DWORD bkColor3_ = 0;
    std::wstring bkImage_;
    std::wstring foreImage_;
    DWORD borderColor_ = 0;
    DWORD focusBorderColor_ = 0;
    bool colorHsl_ = false;
    int borderSize_ = 0;
    int borderStyle_ = PS_SOLID;
    SIZE borderRound_ = {0, 0};
    RECT paintRect_ = {0, 0, 0, 0};
    int leftBorderSize_ = 0;
    int topBorderSize_ = 0;
    int rightBorderSize_ = 0;
    int bottomBorderSize_ = 0;
};

}  // namespace SkinUI
