#pragma once
// The few functions of the accessibility DLL a skinned window needs, looked up when a screen
// reader first asks for a window's object: a start without one never loads the DLL.
#include <windows.h>

#include <oleacc.h>

namespace SkinUI {

struct OleaccFunctions {
    LRESULT(WINAPI* lresultFromObject)(REFIID riid, WPARAM wParam, LPUNKNOWN object) = nullptr;
    HRESULT(WINAPI* createStdAccessibleObject)
    (HWND window, LONG objectId, REFIID riid, void** object) = nullptr;
};

// IID_IAccessible, without linking oleacc's import library for it.
extern const IID kIidAccessible;

// Loads oleacc.dll from the system folder once; null when it or a function is missing.
const OleaccFunctions* GetOleaccFunctions();

}  // namespace SkinUI
