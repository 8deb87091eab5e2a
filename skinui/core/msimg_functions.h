#pragma once
// AlphaBlend and GradientFill from msimg32.dll, looked up once per process at run time, with
// built-in replacements when the DLL or a function is missing.
#include <windows.h>

namespace SkinUI {

using AlphaBlendFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int,
                                         BLENDFUNCTION);
using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// AlphaBlend of msimg32, or BuiltInAlphaBlend when it cannot be had (or is switched off).
AlphaBlendFunction AlphaBlender();
// GradientFill of msimg32, or null: the caller then fills bands itself.
GradientFillFunction GradientFiller();

// Same contract as AlphaBlend for AC_SRC_OVER with or without AC_SRC_ALPHA on 32-bit pixels.
BOOL WINAPI BuiltInAlphaBlend(HDC dest, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                              int scx, int scy, BLENDFUNCTION blend);

// Makes AlphaBlender/GradientFiller return the built-in paths (for comparing both paths).
void UseBuiltInBlending(bool builtIn);

// Loads msimg32.dll into the process (the first paint manager does this).
void LoadMsimg();

}  // namespace SkinUI
