#include "app/system_library.h"

#include <cwchar>

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (name == nullptr || *name == L'\0' || std::wcspbrk(name, L"\\/:") != nullptr) {
        return nullptr;
    }
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    size_t end = length;
    if (path[end - 1] != L'\\') {
        path[end++] = L'\\';
    }
    const size_t nameLength = std::wcslen(name);
    if (end + nameLength >= MAX_PATH) {
        return nullptr;
    }
    std::wmemcpy(path + end, name, nameLength + 1);
    return LoadLibraryW(path);
}
