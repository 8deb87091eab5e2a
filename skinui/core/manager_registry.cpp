#include "skinui/core/manager_registry.h"

#include <algorithm>

#include "skinui/core/gdi_handles.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {
namespace ManagerRegistry {

namespace {

std::vector<CUIManager*>& Managers() {
    static std::vector<CUIManager*> managers;
    return managers;
}

PenHandle& RedPen() {
    static PenHandle pen;
    return pen;
}

bool& KeyboardFlag() {
    static bool keyboard = false;
    return keyboard;
}

}  // namespace

bool KeyboardLastUsed() {
    return KeyboardFlag();
}

void SetKeyboardLastUsed(bool keyboard) {
    KeyboardFlag() = keyboard;
}

bool FirstManagerBuilt() {
    static bool built = false;
    if (built) {
        return false;
    }
    built = true;
    RedPen().reset(CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
    return true;
}

void Add(CUIManager* manager) {
    auto& managers = Managers();
    if (std::find(managers.begin(), managers.end(), manager) == managers.end()) {
        managers.push_back(manager);
    }
}

void Remove(CUIManager* manager) {
    auto& managers = Managers();
    managers.erase(std::remove(managers.begin(), managers.end(), manager), managers.end());
}

CUIManager* ForWindow(HWND window) {
    for (CUIManager* manager : Managers()) {
        if (manager->GetWindow() == window) {
            return manager;
        }
    }
    return nullptr;
}

HPEN UpdateRectPen() {
    return RedPen().get();
}

}  // namespace ManagerRegistry
}  // namespace SkinUI
