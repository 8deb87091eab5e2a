#include "skinui/core/control_names.h"

#include <iterator>

#include "skinui/core/control_interface.h"

namespace SkinUI {

namespace {

IControlUI* EnterNameVisitor(IControlUI* control, void* data) {
    std::wstring name = control->GetName();
    if (!name.empty()) {
        (*static_cast<std::unordered_map<std::wstring, IControlUI*>*>(data))[name] = control;
    }
    return nullptr;
}

}  // namespace

void CControlNames::Enter(IControlUI* subtree) {
    if (subtree != nullptr) {
        subtree->FindControl(EnterNameVisitor, &names_, UIFIND_ALL);
    }
}

void CControlNames::Forget(IControlUI* control) {
    for (auto it = names_.begin(); it != names_.end();) {
        it = it->second == control ? names_.erase(it) : std::next(it);
    }
}

IControlUI* CControlNames::Find(const wchar_t* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    auto found = names_.find(name);
    return found != names_.end() ? found->second : nullptr;
}

}  // namespace SkinUI
