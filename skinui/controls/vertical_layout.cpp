#include "skinui/controls/vertical_layout.h"

#include <cwchar>

namespace SkinUI {

void* CVerticalLayoutUI::AsInterface(const wchar_t* name) {
    if (name != nullptr && std::wcscmp(name, L"VerticalLayout") == 0) {
        return this;
    }
    return CStackLayoutUI::AsInterface(name);
}

}  // namespace SkinUI
