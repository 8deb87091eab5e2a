#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

struct ProcessSettings {
    HINSTANCE program = nullptr;
    HINSTANCE resource = nullptr;
    std::wstring folder;
    std::wstring archive;
    std::wstring fontFace;
};

ProcessSettings& Settings() {
    static ProcessSettings settings;
    return settings;
}

}  // namespace

HINSTANCE GetProgramInstance() {
    HINSTANCE program = Settings().program;
    return program != nullptr ? program : GetModuleHandleW(nullptr);
}
void SetProgramInstanceHandle(HINSTANCE instance) {
    Settings().program = instance;
}
HINSTANCE GetResourceModule() {
    return Settings().resource != nullptr ? Settings().resource : GetProgramInstance();
}
void SetResourceInstanceHandle(HINSTANCE instance) {
    Settings().resource = instance;
}
const std::wstring& GetSkinFolder() {
    return Settings().folder;
}
void SetSkinFolderPath(const wchar_t* path) {
    Settings().folder = path != nullptr ? path : L"";
}
const std::wstring& GetSkinArchiveName() {
    return Settings().archive;
}
void SetSkinArchiveName(const wchar_t* name) {
    Settings().archive = name != nullptr ? name : L"";
}
const std::wstring& GetDefaultFontFaceName() {
    return Settings().fontFace;
}
void SetDefaultFontFaceName(const wchar_t* face) {
    Settings().fontFace = face != nullptr ? face : L"";
}

}  // namespace SkinUI
