// The image-spec parser: the text up to the first 0 unit is the spec, the text after it (when
// there is any) the modifier, laid over a control as a layout gives it.
#include <cstddef>
#include <cstdint>
#include <cwchar>

#include "skinui/core/image_spec.h"
#include "support/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<wchar_t> units = velmora_fuzz::WideUnits(data, size);
    const wchar_t* spec = units.data();
    const std::size_t specLength = std::wcslen(spec);
    const wchar_t* modifier = specLength + 1 < units.size() ? spec + specLength + 1 : nullptr;

    const RECT control = {12, 34, 412, 234};
    for (const SkinUI::ImageDrawSettings& image :
         SkinUI::ParseImageSpecs(spec, modifier, control)) {
        if (image.name.empty()) {
            __builtin_trap();  // only named images are drawn
        }
        velmora_fuzz::CheckFits32(image.dest, "dest");
        velmora_fuzz::CheckFits32(image.source, "source");
        velmora_fuzz::CheckFits32(image.corner, "corner");
    }
    SkinUI::ParseHexColor(spec);
    return 0;
}
