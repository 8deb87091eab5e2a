#pragma once
// Reads hardware facts row by row from WMI (ROOT\CIMV2). CHIBase owns the COM connection and
// the enumeration; CNetworkInfo knows the Win32_NetworkAdapter queries.
#include <windows.h>

#include <wbemidl.h>

#include <memory>

#include "app/scoped_handles.h"

// Capacity, in wide characters, of the output buffer of the get functions.
constexpr int kHardwareInfoOutChars = 512;

// Class kinds accepted by WMI_Init.
enum HardwareInfoKind { kNetworkInfoClass = 6 };

// Info kinds of CNetworkInfo.
enum NetworkInfoKind {
    kNetworkCaption = 1,
    kNetworkMacAddress = 2,
    kNetworkPhysicalMacAddress = 3,  // adapters not made by Microsoft and not under ROOT\.
    kNetworkInstallDate = 4,
};

class CHIBase {
public:
    CHIBase();
    virtual ~CHIBase();
    CHIBase(const CHIBase&) = delete;
    CHIBase& operator=(const CHIBase&) = delete;

    // Both write at most kHardwareInfoOutChars characters (NUL included) into out and return
    // 1, or return 0 and leave out unchanged.
    virtual int GetFirstHardwareInfo(int kind, wchar_t* out) = 0;
    virtual int GetNextHardwareInfo(int kind, wchar_t* out) = 0;

    // Joins a multithreaded apartment (or keeps the thread's own one) and connects to
    // ROOT\CIMV2. A failed step shows up later as a fetch that gives 0.
    HRESULT Connect();
    // Releases every COM object, then leaves the apartment if Connect joined it on this
    // thread. Returns the last Release result.
    ULONG Disconnect();

protected:
    static constexpr int kNameChars = 512;
    // Runs query (when not null) and reads the property named in propertyName_ of its next
    // row into out. Returns 1 when a value was written.
    int FetchProperty(const wchar_t* query, wchar_t* out);

    ComPtr<IEnumWbemClassObject> enumerator_;
    ComPtr<IWbemClassObject> row_;
    ComPtr<IWbemServices> services_;
    ComPtr<IWbemLocator> locator_;
    std::unique_ptr<wchar_t[]> propertyName_;

private:
    bool comJoined_ = false;
    DWORD comThread_ = 0;  // the thread whose CoInitializeEx Connect made
};

class CNetworkInfo : public CHIBase {
public:
    ~CNetworkInfo() override = default;
    int GetFirstHardwareInfo(int kind, wchar_t* out) override;
    int GetNextHardwareInfo(int kind, wchar_t* out) override;
};
