#pragma once
// The base of the controls that take the pointer themselves (button, option, edit, text), as a
// widget toolkit's abstract button: with the pointer switched off ("mouse" false) their pointer
// events go to the parent; over an enabled control they are hot; a press inside pushes them
// until it ends, and activates them when it ends inside.
#include <windows.h>

#include <string>

#include "skinui/controls/button_state.h"
#include "skinui/controls/label.h"

namespace SkinUI {

class CPressableUI : public CLabelUI {
public:
    void HandleEvent(ControlEvent& event) override;

    // UISTATE_* of the control.
    UINT GetButtonState() const { return state_; }

    // The state images the control draws (image specs); a change repaints it.
    std::wstring GetNormalImage() const { return normalImage_; }
    void SetNormalImage(const wchar_t* spec);
    std::wstring GetHotImage() const { return hotImage_; }
    void SetHotImage(const wchar_t* spec);
    void SetFocusedImage(const wchar_t* spec);
    void SetDisabledImage(const wchar_t* spec);

protected:
    // The control's own answer to an event; false hands it on to the label (and from there to
    // the parent). Pointer events reach it only while the pointer is on for the control.
    virtual bool OnEvent(ControlEvent& event) = 0;
    // Entering and leaving: hot while over an enabled control. True for those two events.
    bool TrackHot(const ControlEvent& event);
    // The press: pushed and captured from a press inside an enabled control, pushed while the
    // captured pointer is inside, Activate on a release inside. True for the events of a press
    // (button down, double click, move, button up).
    bool TrackPress(const ControlEvent& event);
    // Sets one of the control's image specs; a change repaints it.
    void SetImageSpec(std::wstring& field, const wchar_t* spec);

    UINT state_ = 0;
    std::wstring normalImage_;
    std::wstring hotImage_;
    std::wstring focusedImage_;
    std::wstring disabledImage_;
};

}  // namespace SkinUI
