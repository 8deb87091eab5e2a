#pragma once
// Reading attribute values: numbers parse as far as they go (a missing number is 0), booleans
// are true only for the exact text "true". Geometry values are kept within a range that no
// layout sum can overflow.
#include <windows.h>

#include "skinui/core/coordinates.h"

namespace SkinUI {

int ParseInt(const wchar_t* value);
// ParseInt clamped to +-kMaxCoordinate.
int ParseCoord(const wchar_t* value);
bool ParseBool(const wchar_t* value);
// ParseRect (four numbers) comes from coordinates.h.

}  // namespace SkinUI
