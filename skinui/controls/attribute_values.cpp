#include "skinui/controls/attribute_values.h"

#include <cwchar>

namespace SkinUI {

int ParseInt(const wchar_t* value) {
    if (value == nullptr) {
        return 0;
    }
    const long long n = std::wcstoll(value, nullptr, 10);
    if (n > 0x7FFFFFFF) {
        return 0x7FFFFFFF;
    }
    if (n < -0x7FFFFFFF - 1) {
        return -0x7FFFFFFF - 1;
    }
    return static_cast<int>(n);
}

int ParseCoord(const wchar_t* value) {
    return value != nullptr ? ClampCoord(std::wcstoll(value, nullptr, 10)) : 0;
}

bool ParseBool(const wchar_t* value) {
    return value != nullptr && std::wcscmp(value, L"true") == 0;
}

}  // namespace SkinUI
