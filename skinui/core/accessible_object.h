#pragma once
// The IAccessible a skinned window hands to screen readers for its client area (WM_GETOBJECT).
// Its children are simple elements (child ids), described afresh from the control tree at each
// call. It may outlive its window: once disconnected every call answers CO_E_OBJNOTCONNECTED and
// nothing of the window or its controls is touched again.
#include <windows.h>

#include <oleacc.h>

#include <vector>

namespace SkinUI {

class CAccessibility;
struct AccessibleChild;

class CAccessibleObject final : public IAccessible, public IEnumVARIANT {
public:
    explicit CAccessibleObject(CAccessibility* owner);
    CAccessibleObject(const CAccessibleObject&) = delete;
    CAccessibleObject& operator=(const CAccessibleObject&) = delete;

    // The window goes away: forget it and its controls, and drop remote connections.
    void Disconnect();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: not offered (screen readers call IAccessible directly).
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* child) override;
    STDMETHODIMP get_accSelection(VARIANT* children) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                             VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

    // IEnumVARIANT over the current children's ids (what AccessibleChildren asks for).
    STDMETHODIMP Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** copy) override;

private:
    ~CAccessibleObject();
    // S_OK with the child (or with null for the client itself); an error for an unknown id or
    // a disconnected object.
    HRESULT NothingFor(const VARIANT& child);
    HRESULT Resolve(const VARIANT& child, std::vector<AccessibleChild>& children,
                    const AccessibleChild*& found);
    IAccessible* StdClient();
    HWND Window() const;

    LONG refs_ = 1;
    CAccessibility* owner_;
    IAccessible* stdClient_ = nullptr;  // the system's object for the same client area
    ULONG cursor_ = 0;                  // of the enumeration
};

}  // namespace SkinUI
