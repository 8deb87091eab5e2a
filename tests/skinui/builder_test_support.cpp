#include "tests/skinui/builder_test_support.h"

#include <cstdio>

#include "skinui/controls/container.h"

namespace BuilderTest {

HWND SharedWindow() {
    static HWND window = CreateWindowExW(0, L"STATIC", L"builder test", WS_POPUP, 0, 0, 640, 480,
                                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    return window;
}

void WriteTextFile(const char* name, const std::string& text) {
    FILE* file = std::fopen(name, "wb");
    if (file != nullptr) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

std::vector<SkinUI::CControlUI*> Children(SkinUI::CControlUI* control) {
    std::vector<SkinUI::CControlUI*> children;
    auto* container = control != nullptr ? dynamic_cast<SkinUI::IContainerUI*>(control) : nullptr;
    if (container != nullptr) {
        for (int i = 0; i < container->Count(); ++i) {
            children.push_back(container->ItemAt(i));
        }
    }
    return children;
}

std::vector<std::wstring> ChildNames(SkinUI::CControlUI* control) {
    std::vector<std::wstring> names;
    for (SkinUI::CControlUI* child : Children(control)) {
        names.push_back(child->GetName());
    }
    return names;
}

std::vector<SkinUI::CControlUI*> Flatten(SkinUI::CControlUI* root) {
    std::vector<SkinUI::CControlUI*> all;
    if (root != nullptr) {
        all.push_back(root);
        for (SkinUI::CControlUI* child : Children(root)) {
            for (SkinUI::CControlUI* control : Flatten(child)) {
                all.push_back(control);
            }
        }
    }
    return all;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 128 ? static_cast<char>(c) : '?';
    }
    return out;
}

}  // namespace BuilderTest
