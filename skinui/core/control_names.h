#pragma once
// The names of a window's controls, for finding them ("installbtn").
#include <string>
#include <unordered_map>

namespace SkinUI {

class IControlUI;

class CControlNames {
public:
    // Enters every named control of the subtree; a control entered later under a name already
    // taken replaces the earlier one.
    void Enter(IControlUI* subtree);
    // Drops every name that leads to the control.
    void Forget(IControlUI* control);
    IControlUI* Find(const wchar_t* name) const;
    void Clear() { names_.clear(); }

private:
    std::unordered_map<std::wstring, IControlUI*> names_;
};

}  // namespace SkinUI
