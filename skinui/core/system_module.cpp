#include "skinui/core/system_module.h"

#include <string>

namespace SkinUI {

HMODULE LoadSystemModule(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    std::wstring path(folder, length);
    if (path.back() != L'\\') {
        path += L'\\';
    }
    path += name;
    return LoadLibraryW(path.c_str());
}

}  // namespace SkinUI
