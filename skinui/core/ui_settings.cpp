#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

struct ProcessSettings {
    HINSTANCE program = nullptr;
    HINSTANCE resource = nullptr;
    UntypedImageSource untypedImages = nullptr;
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
UntypedImageSource GetUntypedImageSource() {
    return Settings().untypedImages;
}
void SetUntypedImageSource(UntypedImageSource source) {
    Settings().untypedImages = source;
}
const std::wstring& GetDefaultFontFaceName() {
    return Settings().fontFace;
}
void SetDefaultFontFaceName(const wchar_t* face) {
    Settings().fontFace = face != nullptr ? face : L"";
}

}  // namespace SkinUI
