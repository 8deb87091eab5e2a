#include "sysinfo/hardware_info.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/text_convert.h"

namespace {

const wchar_t kNetworkFrom[] = L"FROM Win32_NetworkAdapter WHERE MACAddress Is Not NULL";
const wchar_t kPhysicalNetworkFrom[] =
    L"FROM Win32_NetworkAdapter WHERE  Manufacturer != 'Microsoft' AND NOT PNPDeviceID LIKE "
    L"'ROOT\\\\%'";
const int kConvertedChars = 260;

// Copies text into a buffer of capacity characters, NUL-terminated; cuts what does not fit.
void CopyBounded(wchar_t* out, int capacity, const wchar_t* text) {
    int i = 0;
    for (; i + 1 < capacity && text[i] != L'\0'; ++i) {
        out[i] = text[i];
    }
    out[i] = L'\0';
}

// The BSTR as the ANSI code page sees it: narrowed, then widened again (at most 259 chars).
std::wstring ThroughAnsiCodePage(BSTR value) {
    std::wstring wide = AnsiToWide(WideToAnsi(std::wstring(value, SysStringLen(value))));
    // Up to the first NUL, at most kConvertedChars - 1 characters.
    wide.resize(std::min<size_t>(wcslen(wide.c_str()), kConvertedChars - 1));
    return wide;
}

}  // namespace

CHIBase::CHIBase() : propertyName_(new wchar_t[kNameChars]()) {}

// COM objects are released by Disconnect, which WMI_Exit calls before deleting an instance;
// the owners release whatever is left.
CHIBase::~CHIBase() = default;

HRESULT CHIBase::Connect() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE) {
        return hr;
    }
    comJoined_ = SUCCEEDED(hr);
    comThread_ = GetCurrentThreadId();
    // Fails harmlessly when the process has already set its security.
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                          reinterpret_cast<void**>(locator_.put()));
    if (!locator_) {
        return FAILED(hr) ? hr : E_POINTER;
    }
    ScopedBstr ns(SysAllocString(L"ROOT\\CIMV2"));
    hr = locator_->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                 services_.put());
    // A proxy blanket on a missing services pointer would crash inside COM.
    if (!services_) {
        return FAILED(hr) ? hr : E_POINTER;
    }
    return CoSetProxyBlanket(services_.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                             RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                             EOAC_NONE);
}

ULONG CHIBase::Disconnect() {
    ULONG last = 0;
    row_.reset();
    if (services_) {
        last = services_.release()->Release();
    }
    if (locator_) {
        last = locator_.release()->Release();
    }
    if (enumerator_) {
        last = enumerator_.release()->Release();
    }
    // Only the thread that joined may leave: on any other thread (an instance replaced or
    // closed there) CoUninitialize would end that thread's own apartment.
    if (comJoined_) {
        comJoined_ = false;
        if (GetCurrentThreadId() == comThread_) {
            CoUninitialize();
        }
    }
    return last;
}

int CHIBase::FetchProperty(const wchar_t* query, wchar_t* out) {
    if (query) {
        if (!services_) {
            return 0;
        }
        ScopedBstr language(SysAllocString(L"WQL"));
        ScopedBstr text(SysAllocString(query));
        services_->ExecQuery(language.get(), text.get(),
                             WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                             enumerator_.put());
    }
    if (!enumerator_) {
        return 0;
    }
    ULONG returned = 0;
    HRESULT hr = enumerator_->Next(WBEM_INFINITE, 1, row_.put(), &returned);
    if (FAILED(hr) || returned == 0 || !row_) {
        return 0;
    }
    ScopedVariant value;
    if (FAILED(row_->Get(propertyName_.get(), 0, value.get(), nullptr, nullptr))) {
        return 0;
    }
    const VARIANT& v = *value;
    wchar_t text[32];
    switch (v.vt) {
        case VT_I4:
            swprintf(text, 32, L"%d", static_cast<int>(v.lVal));
            CopyBounded(out, kHardwareInfoOutChars, text);
            return 1;
        case VT_BOOL:
            swprintf(text, 32, L"%d", static_cast<int>(v.boolVal));
            CopyBounded(out, kHardwareInfoOutChars, text);
            return 1;
        case VT_BSTR:
            CopyBounded(out, kHardwareInfoOutChars, ThroughAnsiCodePage(v.bstrVal).c_str());
            return 1;
        default:
            return 0;
    }
}

int CNetworkInfo::GetFirstHardwareInfo(int kind, wchar_t* out) {
    const wchar_t* select = nullptr;
    const wchar_t* from = kNetworkFrom;
    const wchar_t* property = nullptr;
    switch (kind) {
        case kNetworkCaption:
            select = L"SELECT Caption ";
            property = L"Caption";
            break;
        case kNetworkMacAddress:
            select = L"SELECT MACAddress ";
            property = L"MACAddress";
            break;
        case kNetworkPhysicalMacAddress:
            select = L"SELECT MACAddress ";
            from = kPhysicalNetworkFrom;
            property = L"MACAddress";
            break;
        case kNetworkInstallDate:
            select = L"SELECT InstallDate ";
            property = L"InstallDate";
            break;
        default:
            return 0;
    }
    std::vector<wchar_t> query(kNameChars, L'\0');
    swprintf(query.data(), kNameChars, L"%ls%ls", select, from);
    CopyBounded(propertyName_.get(), kNameChars, property);
    return FetchProperty(query.data(), out);
}

int CNetworkInfo::GetNextHardwareInfo(int, wchar_t* out) {
    return FetchProperty(nullptr, out);
}
