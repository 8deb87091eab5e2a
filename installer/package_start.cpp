#include "installer/package_start.h"

#include <algorithm>

#include "app/log.h"
#include "app/text_convert.h"
#include "installer/package_folder.h"

namespace {
const char kTag[] = "PackageStart";
const DWORD kExtendedStartupInfoPresent = 0x00080000;
const DWORD_PTR kMitigationPolicyAttribute = 0x00020007;  // PROC_THREAD_ATTRIBUTE_MITIGATION_POLICY
// PROCESS_CREATION_MITIGATION_POLICY_IMAGE_LOAD_PREFER_SYSTEM32_ALWAYS_ON
const DWORD64 kPreferSystem32 = 1ULL << 60;
const DWORD kFirstBuildWithPreferSystem32 = 14393;  // Windows 10 version 1607

typedef BOOL(WINAPI* InitializeListFn)(void*, DWORD, DWORD, SIZE_T*);
typedef BOOL(WINAPI* UpdateAttributeFn)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
typedef void(WINAPI* DeleteListFn)(void*);
typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOW*);

template <class F>
F Function(const wchar_t* module, const char* name) {
    HMODULE loaded = GetModuleHandleW(module);  // kernel32 and ntdll: in every process
    FARPROC proc = loaded ? GetProcAddress(loaded, name) : nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
    return reinterpret_cast<F>(proc);
#pragma GCC diagnostic pop
}

// The version Windows itself reports (GetVersionEx answers what the manifest lists).
bool HasPreferSystem32() {
    const RtlGetVersionFn getVersion = Function<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!getVersion || getVersion(&version) != 0) {
        return false;
    }
    return version.dwMajorVersion > 10 ||
           (version.dwMajorVersion == 10 && version.dwBuildNumber >= kFirstBuildWithPreferSystem32);
}

std::wstring NameOf(const std::wstring& entry) {
    // Entries such as "=C:=C:\x" keep their leading '=' in the name.
    const size_t equals = entry.find(L'=', 1);
    return entry.substr(0, equals);
}

bool IsTempVariable(const std::wstring& entry) {
    const std::wstring name = NameOf(entry);
    return lstrcmpiW(name.c_str(), L"TEMP") == 0 || lstrcmpiW(name.c_str(), L"TMP") == 0;
}
}  // namespace

std::vector<wchar_t> EnvironmentWithTemp(const wchar_t* current, const std::wstring& tempFolder) {
    std::vector<std::wstring> entries;
    for (const wchar_t* at = current; at && *at; at += lstrlenW(at) + 1) {
        if (!IsTempVariable(at)) {
            entries.push_back(at);
        }
    }
    entries.push_back(L"TEMP=" + tempFolder);
    entries.push_back(L"TMP=" + tempFolder);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) {
                         return _wcsicmp(NameOf(a).c_str(), NameOf(b).c_str()) < 0;
                     });
    std::vector<wchar_t> block;
    for (const std::wstring& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

PackageStartup::PackageStartup(const std::wstring& folder) {
    startup_ = ExtendedStartupInfo{};
    startup_.info.cb = sizeof(startup_.info);
    const std::wstring temp = folder.empty() ? std::wstring() : PackageTempFolder(folder);
    if (!temp.empty()) {
        LPWCH current = GetEnvironmentStringsW();
        environment_ = EnvironmentWithTemp(current, temp);
        FreeEnvironmentStringsW(current);
        LogI(kTag, "the package's TEMP and TMP: ", WideToAnsi(temp));
    }
    if (!HasPreferSystem32()) {
        return;
    }
    const auto initialize =
        Function<InitializeListFn>(L"kernel32.dll", "InitializeProcThreadAttributeList");
    const auto update = Function<UpdateAttributeFn>(L"kernel32.dll", "UpdateProcThreadAttribute");
    SIZE_T size = 0;
    if (!initialize || !update ||
        !Function<DeleteListFn>(L"kernel32.dll", "DeleteProcThreadAttributeList")) {
        return;
    }
    initialize(nullptr, 1, 0, &size);
    listMemory_.assign(size, 0);
    if (size == 0 || !initialize(listMemory_.data(), 1, 0, &size)) {
        LogW(kTag, "no attribute list (error ", static_cast<unsigned long>(GetLastError()),
             "): the package starts without the System32 preference");
        return;
    }
    attributes_ = listMemory_.data();
    policy_ = kPreferSystem32;
    if (!update(attributes_, 0, kMitigationPolicyAttribute, &policy_, sizeof policy_, nullptr,
                nullptr)) {
        LogW(kTag, "the System32 preference was refused (error ",
             static_cast<unsigned long>(GetLastError()), "): the package starts without it");
        Function<DeleteListFn>(L"kernel32.dll", "DeleteProcThreadAttributeList")(attributes_);
        attributes_ = nullptr;
        return;
    }
    startup_.info.cb = sizeof(startup_);
    startup_.attributeList = attributes_;
    LogI(kTag, "the package starts preferring libraries from System32");
}

PackageStartup::~PackageStartup() {
    if (attributes_) {
        Function<DeleteListFn>(L"kernel32.dll", "DeleteProcThreadAttributeList")(attributes_);
    }
}

DWORD PackageStartup::creationFlags() const {
    return (environment_.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT) |
           (attributes_ ? kExtendedStartupInfoPresent : 0);
}
