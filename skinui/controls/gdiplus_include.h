#pragma once
// The GDI+ headers need COM's declarations and min/max, which the lean Windows headers and
// NOMINMAX leave out.
#include <windows.h>
#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus

#include <gdiplus.h>
