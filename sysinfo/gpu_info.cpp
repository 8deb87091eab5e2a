#include "sysinfo/gpu_info.h"

#include <windows.h>

#include <d3d9.h>

#include "app/scoped_handles.h"
#include "app/system_library.h"

namespace {
typedef IDirect3D9*(WINAPI* Direct3DCreate9Fn)(UINT);
}  // namespace

bool QueryGpuInfo(GpuInfo& info) {
    // Loaded at run time: a system without Direct3D 9 must still start the installer. Taken
    // from the system folder only: the installer runs as administrator from Downloads.
    ScopedLibrary d3d9(LoadSystemLibrary(L"d3d9.dll"));
    if (!d3d9.get()) {
        return false;
    }
    Direct3DCreate9Fn create = reinterpret_cast<Direct3DCreate9Fn>(
        reinterpret_cast<void*>(GetProcAddress(d3d9.get(), "Direct3DCreate9")));
    if (!create) {
        return false;
    }
    D3DADAPTER_IDENTIFIER9 identifier = {};
    {
        // Released as soon as the adapter is identified, and the library when this returns:
        // under Wine each instance sets up OpenGL.
        ComPtr<IDirect3D9> direct3d;
        *direct3d.put() = create(D3D_SDK_VERSION);
        if (!direct3d || direct3d->GetAdapterCount() != 1 ||
            FAILED(direct3d->GetAdapterIdentifier(0, 0, &identifier))) {
            return false;
        }
    }
    // Both texts are fixed-size fields; never read past them even if unterminated.
    info.description.assign(identifier.Description,
                            strnlen(identifier.Description, sizeof identifier.Description));
    info.driver.assign(identifier.Driver, strnlen(identifier.Driver, sizeof identifier.Driver));
    const DWORD high = static_cast<DWORD>(identifier.DriverVersion.HighPart);
    const DWORD low = identifier.DriverVersion.LowPart;
    info.product = high >> 16;
    info.version = high & 0xFFFF;
    info.subVersion = low >> 16;
    info.build = low & 0xFFFF;
    return true;
}

namespace {
// The adapter cannot change while the installer runs: one query serves both texts.
const GpuInfo& RunGpuInfo() {
    static CriticalSection lock;
    static GpuInfo info;
    static bool queried = false;
    AutoLock hold(lock);
    if (!queried) {
        QueryGpuInfo(info);
        queried = true;
    }
    return info;
}
}  // namespace

std::string GetGpuName() {
    return RunGpuInfo().description;
}

std::string GetGpuDriver() {
    return RunGpuInfo().driver;
}
