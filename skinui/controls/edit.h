#pragma once
// A text field drawn by the skin that opens a native edit box over itself while it has the
// focus; the box reports "textchanged" and "return" and closes when it loses the focus.
#include <windows.h>

#include <string>

#include "skinui/controls/button_state.h"
#include "skinui/controls/pressable.h"
#include "skinui/core/gdi_handles.h"
#include "skinui/core/window_wnd.h"

namespace SkinUI {

class CEditUI;

// The native edit box: a superclass of the system's "Edit" class in front of which the
// program's window procedure sits. Once Init has succeeded it deletes itself when its window is
// destroyed; when Init fails, its caller deletes it.
class CEditWnd : public CWindowWnd {
public:
    CEditWnd() = default;

    // Creates the window over the owner and gives it the focus; false when it cannot.
    bool Init(CEditUI* owner);
    // The owner goes away first: the window no longer reports to it.
    void ReleaseOwner() { owner_ = nullptr; }
    // Where the box goes over its owner: the text area, centred at the font's height.
    RECT CalcPos() const;

protected:
    const wchar_t* WindowClassName() const override { return L"EditWnd"; }
    const wchar_t* SuperclassName() const override { return L"Edit"; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWindowDestroyed(HWND window) override;

private:
    // Font, limits, text and state of the new window, then shown with the focus.
    void SetUp(CEditUI& owner, CUIManager& manager);
    LRESULT OnControlColor(HDC dc);

    CEditUI* owner_ = nullptr;
    BrushHandle brush_;
    bool initialised_ = false;
    bool creating_ = false;
};

class CEditUI : public CPressableUI {
public:
    CEditUI();
    ~CEditUI() override;

    const wchar_t* GetClassName() const override { return L"EditUI"; }
    bool TakesShortcut() const override { return true; }
    PointerUse PointerUseAt(POINT /*point*/) const override { return PointerUse::Control; }
    bool DescribeAccessible(AccessibleDescription& description) const override;
    unsigned GetInputFlags() const override;
    void SetText(const wchar_t* text) override;
    void SetPos(RECT rect) override;
    void SetVisible(bool visible) override;
    void SetParentVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStateImage(HDC dc) override;
    void PaintText(HDC dc) override;

    int GetMaxChar() const { return maxChar_; }
    void SetMaxChar(int count);
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    bool IsPasswordMode() const { return password_; }
    void SetPasswordMode(bool password);
    wchar_t GetPasswordChar() const { return passwordChar_; }
    void SetPasswordChar(wchar_t c);
    bool IsNumberOnly() const { return (extraStyle_ & ES_NUMBER) != 0; }
    void SetNumberOnly(bool numberOnly);
    DWORD GetWindowStyles() const { return extraStyle_; }
    DWORD GetNativeEditBkColor() const { return nativeBkColor_; }
    void SetNativeEditBkColor(DWORD color);
    // The open native box, or null.
    HWND GetNativeWindow() const;
    // What the field shows for its text (one password character per character when hidden).
    std::wstring DisplayText() const;

protected:
    bool OnEvent(ControlEvent& event) override;
    int LineSpacing100() const override { return 6; }

private:
    friend class CEditWnd;
    void OnPress(const ControlEvent& event);
    void OpenNativeWindow();
    // The native box went away (called by it).
    void OnNativeClosed();
    // The native box's text changed (called by it): the text follows without a repaint request.
    void OnNativeTextChanged(const std::wstring& text);

    CEditWnd* window_ = nullptr;
    int maxChar_ = 255;
    bool readOnly_ = false;
    bool password_ = false;
    wchar_t passwordChar_ = L'*';
    DWORD nativeBkColor_ = 0xFFFFFFFF;
    DWORD extraStyle_ = 0;
};

}  // namespace SkinUI
