#include "skinui/controls/horizontal_layout.h"

#include <cwchar>

namespace SkinUI {

void* CHorizontalLayoutUI::AsInterface(const wchar_t* name) {
    if (name != nullptr && std::wcscmp(name, L"HorizontalLayout") == 0) {
        return this;
    }
    return CStackLayoutUI::AsInterface(name);
}

}  // namespace SkinUI
