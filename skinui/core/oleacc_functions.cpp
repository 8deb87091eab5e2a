#include "skinui/core/oleacc_functions.h"

#include "skinui/core/system_module.h"

namespace SkinUI {

const IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

namespace {

template <typename Function>
bool Lookup(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace

const OleaccFunctions* GetOleaccFunctions() {
    // Only the UI thread asks (WM_GETOBJECT); the DLL stays loaded for the process.
    static bool tried = false;
    static OleaccFunctions functions;
    static bool ok = false;
    if (!tried) {
        tried = true;
        if (HMODULE module = LoadSystemModule(L"oleacc.dll")) {
            ok = Lookup(module, "LresultFromObject", functions.lresultFromObject) &&
                 Lookup(module, "CreateStdAccessibleObject", functions.createStdAccessibleObject);
        }
    }
    return ok ? &functions : nullptr;
}

}  // namespace SkinUI
