#pragma once
// Parsing of image-spec strings: a plain image name, or key='value' pairs separated by one
// blank (file, res, restype, dest, source, corner, mask, fade, hole, xtiled, ytiled).
#include <windows.h>

#include <vector>

#include "skinui/core/skin_image.h"

namespace SkinUI {

// The images a spec and its modifier ask to draw, in drawing order, each with the settings in
// force when it is drawn. Destinations are in the control's coordinates (already offset).
std::vector<ImageDrawSettings> ParseImageSpecs(const wchar_t* spec, const wchar_t* modifier,
                                               const RECT& control);

// Hexadecimal colour after an optional '#' and blanks; 0 when there are no digits.
DWORD ParseHexColor(const wchar_t* text);

}  // namespace SkinUI
