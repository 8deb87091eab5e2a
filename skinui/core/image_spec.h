#pragma once
// Parsing of image-spec strings: a plain image name, or key='value' pairs separated by one
// blank (file, res, restype, dest, source, corner, mask, fade, hole, xtiled, ytiled).
#include <windows.h>

#include <vector>

#include "skinui/core/skin_image.h"

namespace SkinUI {

// The images a spec and its modifier ask to draw, in drawing order, each with the settings in
// force when it is drawn. Destinations are in the control's coordinates (already offset); the
// offsets of "dest" are layout lengths, scaled from 100 % to `dpi`. Source and corner rectangles
// stay at 100 % (the painter scales them with the image it draws).
std::vector<ImageDrawSettings> ParseImageSpecs(const wchar_t* spec, const wchar_t* modifier,
                                               const RECT& control, int dpi = 96);

// Hexadecimal colour after an optional '#' and blanks; 0 when there are no digits.
DWORD ParseHexColor(const wchar_t* text);

}  // namespace SkinUI
