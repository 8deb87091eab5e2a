#include "skinui/core/coordinates.h"

#include <cwchar>

namespace SkinUI {

RECT ParseRect(const wchar_t* value) {
    long long n[4] = {0, 0, 0, 0};
    const wchar_t* p = value != nullptr ? value : L"";
    for (long long& number : n) {
        wchar_t* end = nullptr;
        number = std::wcstoll(p, &end, 10);
        p = end;
        if (*p == 0) {
            break;
        }
        ++p;
    }
    return RECT{ClampCoord(n[0]), ClampCoord(n[1]), ClampCoord(n[2]), ClampCoord(n[3])};
}

}  // namespace SkinUI
