#include "skinui/core/accessible_object.h"

#include "skinui/core/control_interface.h"
#include "skinui/core/accessibility.h"
#include "skinui/core/accessible_tree.h"
#include "skinui/core/oleacc_functions.h"
#include "skinui/core/ui_manager.h"

namespace SkinUI {

namespace {

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (text.empty()) {
        return S_FALSE;
    }
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetI4(VARIANT* out, long value) {
    out->vt = VT_I4;
    out->lVal = value;
}

}  // namespace

CAccessibleObject::CAccessibleObject(CAccessibility* owner) : owner_(owner) {}

CAccessibleObject::~CAccessibleObject() {
    if (stdClient_ != nullptr) {
        stdClient_->Release();
    }
}

void CAccessibleObject::Disconnect() {
    owner_ = nullptr;
    if (stdClient_ != nullptr) {
        stdClient_->Release();
        stdClient_ = nullptr;
    }
    // Clients in other processes get an error from now on instead of waiting for this object.
    AddRef();
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
    Release();
}

HWND CAccessibleObject::Window() const {
    return owner_ != nullptr ? owner_->manager().GetWindow() : nullptr;
}

IAccessible* CAccessibleObject::StdClient() {
    if (stdClient_ == nullptr && Window() != nullptr) {
        if (const OleaccFunctions* oleacc = GetOleaccFunctions()) {
            oleacc->createStdAccessibleObject(Window(), OBJID_CLIENT, kIidAccessible,
                                              reinterpret_cast<void**>(&stdClient_));
        }
    }
    return stdClient_;
}

HRESULT CAccessibleObject::Resolve(const VARIANT& child, std::vector<AccessibleChild>& children,
                                   const AccessibleChild*& found) {
    found = nullptr;
    if (owner_ == nullptr || Window() == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    if (child.vt != VT_I4) {
        return E_INVALIDARG;
    }
    if (child.lVal == CHILDID_SELF) {
        return S_OK;
    }
    children = CollectAccessibleChildren(owner_->manager());
    for (const AccessibleChild& c : children) {
        if (c.id == child.lVal) {
            found = &c;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

// Properties the skin has none of (description, help, shortcut): S_FALSE for a child that
// exists, the lookup's error otherwise.
HRESULT CAccessibleObject::NothingFor(const VARIANT& child) {
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    const HRESULT hr = Resolve(child, children, found);
    return FAILED(hr) ? hr : S_FALSE;
}

// ---- IUnknown ---------------------------------------------------------------------------------

STDMETHODIMP CAccessibleObject::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidAccessible)) {
        *object = static_cast<IAccessible*>(this);
    } else if (IsEqualIID(riid, IID_IEnumVARIANT)) {
        *object = static_cast<IEnumVARIANT*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CAccessibleObject::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) CAccessibleObject::Release() {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) {
        delete this;
    }
    return static_cast<ULONG>(refs);
}

// ---- IDispatch --------------------------------------------------------------------------------

STDMETHODIMP CAccessibleObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

STDMETHODIMP CAccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                       EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---- IAccessible ------------------------------------------------------------------------------

STDMETHODIMP CAccessibleObject::get_accParent(IDispatch** parent) {
    if (parent == nullptr) {
        return E_POINTER;
    }
    *parent = nullptr;
    if (owner_ == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    IAccessible* client = StdClient();
    return client != nullptr ? client->get_accParent(parent) : S_FALSE;
}

STDMETHODIMP CAccessibleObject::get_accChildCount(long* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    if (owner_ == nullptr || Window() == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    *count = static_cast<long>(CollectAccessibleChildren(owner_->manager()).size());
    return S_OK;
}

STDMETHODIMP CAccessibleObject::get_accChild(VARIANT child, IDispatch** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found == nullptr) {
        return E_INVALIDARG;
    }
    return S_FALSE;  // a simple element: asked through this object with its id
}

STDMETHODIMP CAccessibleObject::get_accName(VARIANT child, BSTR* name) {
    if (name == nullptr) {
        return E_POINTER;
    }
    *name = nullptr;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found != nullptr) {
        return ReturnText(found->name, name);
    }
    // The window's own title: the product for the main window and the boxes.
    const int length = GetWindowTextLengthW(Window());
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(Window(), &title[0], length + 1)));
    return ReturnText(title, name);
}

STDMETHODIMP CAccessibleObject::get_accValue(VARIANT child, BSTR* value) {
    if (value == nullptr) {
        return E_POINTER;
    }
    *value = nullptr;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found == nullptr || (found->value.empty() && found->role != ROLE_SYSTEM_TEXT)) {
        return S_FALSE;
    }
    // An empty folder field has an empty value, not none.
    *value = SysAllocStringLen(found->value.data(), static_cast<UINT>(found->value.size()));
    return *value != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CAccessibleObject::get_accDescription(VARIANT child, BSTR* description) {
    if (description == nullptr) {
        return E_POINTER;
    }
    *description = nullptr;
    return NothingFor(child);
}

STDMETHODIMP CAccessibleObject::get_accRole(VARIANT child, VARIANT* role) {
    if (role == nullptr) {
        return E_POINTER;
    }
    role->vt = VT_EMPTY;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found != nullptr) {
        SetI4(role, found->role);
    } else {
        SetI4(role,
              owner_->manager().IsAccessibleDialog() ? ROLE_SYSTEM_DIALOG : ROLE_SYSTEM_CLIENT);
    }
    return S_OK;
}

STDMETHODIMP CAccessibleObject::get_accState(VARIANT child, VARIANT* state) {
    if (state == nullptr) {
        return E_POINTER;
    }
    state->vt = VT_EMPTY;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found != nullptr) {
        SetI4(state, found->state);
        return S_OK;
    }
    long own = STATE_SYSTEM_FOCUSABLE;
    HWND window = Window();
    if (::GetFocus() == window && owner_->manager().GetFocus() == nullptr) {
        own |= STATE_SYSTEM_FOCUSED;
    }
    if (!IsWindowVisible(window)) {
        own |= STATE_SYSTEM_INVISIBLE;
    }
    if (!IsWindowEnabled(window)) {
        own |= STATE_SYSTEM_UNAVAILABLE;
    }
    SetI4(state, own);
    return S_OK;
}

STDMETHODIMP CAccessibleObject::get_accHelp(VARIANT child, BSTR* help) {
    if (help == nullptr) {
        return E_POINTER;
    }
    *help = nullptr;
    return NothingFor(child);
}

STDMETHODIMP CAccessibleObject::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    if (file == nullptr || topic == nullptr) {
        return E_POINTER;
    }
    *file = nullptr;
    *topic = 0;
    return NothingFor(child);
}

STDMETHODIMP CAccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    if (shortcut == nullptr) {
        return E_POINTER;
    }
    *shortcut = nullptr;
    return NothingFor(child);
}

STDMETHODIMP CAccessibleObject::get_accFocus(VARIANT* child) {
    if (child == nullptr) {
        return E_POINTER;
    }
    child->vt = VT_EMPTY;
    HWND window = Window();
    if (owner_ == nullptr || window == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    HWND focus = ::GetFocus();
    if (focus == nullptr || (focus != window && !IsChild(window, focus))) {
        return S_FALSE;
    }
    CUIManager& manager = owner_->manager();
    if (IControlUI* control = manager.FocusedControl()) {
        for (const AccessibleChild& c : CollectAccessibleChildren(manager)) {
            if (c.control == control) {
                SetI4(child, c.id);
                return S_OK;
            }
        }
    }
    SetI4(child, CHILDID_SELF);
    return S_OK;
}

STDMETHODIMP CAccessibleObject::get_accSelection(VARIANT* children) {
    if (children == nullptr) {
        return E_POINTER;
    }
    children->vt = VT_EMPTY;
    return owner_ == nullptr ? CO_E_OBJNOTCONNECTED : S_FALSE;
}

STDMETHODIMP CAccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (action == nullptr) {
        return E_POINTER;
    }
    *action = nullptr;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    return found != nullptr ? ReturnText(found->defaultAction, action) : S_FALSE;
}

STDMETHODIMP CAccessibleObject::accSelect(long flags, VARIANT child) {
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (flags != SELFLAG_TAKEFOCUS) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (found == nullptr) {
        SetFocus(Window());
        return S_OK;
    }
    if ((found->state & STATE_SYSTEM_FOCUSABLE) == 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    owner_->manager().FocusControl(found->control);
    return S_OK;
}

STDMETHODIMP CAccessibleObject::accLocation(long* left, long* top, long* width, long* height,
                                            VARIANT child) {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
        return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    RECT rect;
    if (found != nullptr) {
        rect = found->rect;
    } else {
        GetClientRect(Window(), &rect);
    }
    POINT origin = {rect.left, rect.top};
    ClientToScreen(Window(), &origin);
    *left = origin.x;
    *top = origin.y;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

STDMETHODIMP CAccessibleObject::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (end == nullptr) {
        return E_POINTER;
    }
    end->vt = VT_EMPTY;
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(start, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found == nullptr) {
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            children = CollectAccessibleChildren(owner_->manager());
            if (children.empty()) {
                return S_FALSE;
            }
            SetI4(end, direction == NAVDIR_FIRSTCHILD ? children.front().id : children.back().id);
            return S_OK;
        }
        // The client's siblings are the system's business.
        IAccessible* client = StdClient();
        return client != nullptr ? client->accNavigate(direction, start, end) : S_FALSE;
    }
    const size_t index = static_cast<size_t>(found - children.data());
    switch (direction) {
        case NAVDIR_NEXT:
        case NAVDIR_RIGHT:
        case NAVDIR_DOWN:
            if (index + 1 < children.size()) {
                SetI4(end, children[index + 1].id);
                return S_OK;
            }
            return S_FALSE;
        case NAVDIR_PREVIOUS:
        case NAVDIR_LEFT:
        case NAVDIR_UP:
            if (index > 0) {
                SetI4(end, children[index - 1].id);
                return S_OK;
            }
            return S_FALSE;
        case NAVDIR_FIRSTCHILD:
        case NAVDIR_LASTCHILD:
            return S_FALSE;  // simple elements have no children
        default:
            return E_INVALIDARG;
    }
}

STDMETHODIMP CAccessibleObject::accHitTest(long x, long y, VARIANT* child) {
    if (child == nullptr) {
        return E_POINTER;
    }
    child->vt = VT_EMPTY;
    HWND window = Window();
    if (owner_ == nullptr || window == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    POINT point = {x, y};
    ScreenToClient(window, &point);
    RECT client;
    GetClientRect(window, &client);
    if (!PtInRect(&client, point)) {
        return S_FALSE;
    }
    const std::vector<AccessibleChild> children = CollectAccessibleChildren(owner_->manager());
    // Later controls are drawn over earlier ones.
    for (auto c = children.rbegin(); c != children.rend(); ++c) {
        for (IControlUI* part : c->parts) {
            const RECT& rect = part->GetPos();
            if (PtInRect(&rect, point)) {
                SetI4(child, c->id);
                return S_OK;
            }
        }
    }
    SetI4(child, CHILDID_SELF);
    return S_OK;
}

STDMETHODIMP CAccessibleObject::accDoDefaultAction(VARIANT child) {
    std::vector<AccessibleChild> children;
    const AccessibleChild* found = nullptr;
    HRESULT hr = Resolve(child, children, found);
    if (FAILED(hr)) {
        return hr;
    }
    if (found == nullptr || found->defaultAction.empty() ||
        (found->state & STATE_SYSTEM_UNAVAILABLE) != 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    return owner_->PostDefaultAction(found->id) ? S_OK : E_FAIL;
}

STDMETHODIMP CAccessibleObject::put_accName(VARIANT, BSTR) {
    return owner_ == nullptr ? CO_E_OBJNOTCONNECTED : DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP CAccessibleObject::put_accValue(VARIANT, BSTR) {
    return owner_ == nullptr ? CO_E_OBJNOTCONNECTED : DISP_E_MEMBERNOTFOUND;
}

// ---- IEnumVARIANT -----------------------------------------------------------------------------

STDMETHODIMP CAccessibleObject::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (fetched != nullptr) {
        *fetched = 0;
    }
    if (items == nullptr) {
        return E_POINTER;
    }
    if (owner_ == nullptr || Window() == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    const std::vector<AccessibleChild> children = CollectAccessibleChildren(owner_->manager());
    ULONG given = 0;
    while (given < count && cursor_ < children.size()) {
        items[given].vt = VT_I4;
        items[given].lVal = children[cursor_].id;
        ++given;
        ++cursor_;
    }
    if (fetched != nullptr) {
        *fetched = given;
    }
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP CAccessibleObject::Skip(ULONG count) {
    if (owner_ == nullptr || Window() == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    const size_t total = CollectAccessibleChildren(owner_->manager()).size();
    cursor_ += count;
    if (cursor_ > total) {
        cursor_ = static_cast<ULONG>(total);
        return S_FALSE;
    }
    return S_OK;
}

STDMETHODIMP CAccessibleObject::Reset() {
    cursor_ = 0;
    return owner_ == nullptr ? CO_E_OBJNOTCONNECTED : S_OK;
}

STDMETHODIMP CAccessibleObject::Clone(IEnumVARIANT** copy) {
    if (copy != nullptr) {
        *copy = nullptr;
    }
    return E_NOTIMPL;
}

}  // namespace SkinUI
