#include "skinui/core/ui_manager.h"

#include <algorithm>

#include "skinui/core/control_interface.h"
#include "skinui/core/dpi_scale.h"
#include "skinui/core/manager_registry.h"
#include "skinui/core/msimg_functions.h"
#include "skinui/core/reading_order.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

template <class T>
bool AddUnique(std::vector<T*>& list, T* item) {
    if (item == nullptr || std::find(list.begin(), list.end(), item) != list.end()) {
        return false;
    }
    list.push_back(item);
    return true;
}

template <class T>
bool RemoveItem(std::vector<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found == list.end()) {
        return false;
    }
    list.erase(found);
    return true;
}

IControlUI* ForgetVisitor(IControlUI* control, void* data) {
    static_cast<CUIManager*>(data)->ForgetControl(control);
    return nullptr;
}

IControlUI* CollectTabStop(IControlUI* control, void* data) {
    if ((control->GetInputFlags() & UIFLAG_TABSTOP) != 0) {
        static_cast<std::vector<IControlUI*>*>(data)->push_back(control);
    }
    return nullptr;
}

}  // namespace

CUIManager::CUIManager() : windowThread_(GetCurrentThreadId()) {
    // The system's scale until a window tells its own (AttachWindow).
    metrics_.SetDpi(QueryWindowDpi(nullptr));
    images_.SetDpi(metrics_.Dpi());
    fonts_.SetDpi(metrics_.Dpi());
    if (ManagerRegistry::FirstManagerBuilt()) {
        InitCommonControls();
        LoadMsimg();
    }
}

CUIManager::~CUIManager() {
    images_.DropPrefetches();
    // A screen reader that still holds the window's object gets errors from now on.
    accessibility_.reset();
    ManagerRegistry::Remove(this);
    DeleteDeferred();
    queuedNotifications_.clear();
    // Controls tell the manager when they go: let them find it consistent but quiet.
    IControlUI* root = root_;
    root_ = nullptr;
    delete root;
    timers_.KillAll();
    if (tooltip_ != nullptr) {
        DestroyWindow(tooltip_);
    }
    ReleaseOffscreen();
    windowDC_.reset();
}

void CUIManager::AttachWindow(HWND window) {
    window_ = window;
    windowDC_.reset(window);
    if (window != nullptr) {
        windowThread_ = GetWindowThreadProcessId(window, nullptr);
        SetDpi(QueryWindowDpi(window));
    }
    ManagerRegistry::Add(this);
    // Windows' rule for the focus: hidden in a window opened with the mouse until a key moves
    // or uses it; shown at once when the keyboard opened the window or the user asked Windows
    // to show keyboard cues always.
    BOOL alwaysShown = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysShown, 0);
    focus_.StartHidden(alwaysShown == FALSE && !ManagerRegistry::KeyboardLastUsed());
    if (window_ != nullptr) {
        // The window's own UI state (what its native children, the edit box, go by) agrees.
        SendMessageW(window_, WM_CHANGEUISTATE,
                     MAKEWPARAM(focus_.IsHidden() ? UIS_SET : UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
}

bool CUIManager::AttachRoot(IControlUI* root) {
    FocusControl(nullptr);
    keyPress_ = nullptr;
    hover_ = nullptr;
    click_ = nullptr;
    postPainters_.clear();
    if (root_ != nullptr && root_ != root) {
        AddDeferredDelete(root_);
    }
    root_ = root;
    firstLayout_ = true;
    updateNeeded_ = true;
    focus_.NeedFocus();
    if (root_ == nullptr) {
        return false;
    }
    BindControls(root_, nullptr);
    // Controls configured without this manager (or before a scale change) get its scale now.
    root_->ApplyScale();
    return true;
}

void CUIManager::BindControls(IControlUI* control, IControlUI* parent) {
    if (control == nullptr) {
        return;
    }
    control->SetManager(this, parent, true);
    EnterNames(control);
}

void CUIManager::EnterNames(IControlUI* control) {
    names_.Enter(control);
}

void CUIManager::ForgetControl(IControlUI* control) {
    if (control == nullptr) {
        return;
    }
    focus_.Forget(control);
    if (hover_ == control) {
        hover_ = nullptr;
    }
    if (click_ == control) {
        click_ = nullptr;
    }
    if (keyPress_ == control) {
        keyPress_ = nullptr;
    }
    if (root_ == control) {
        root_ = nullptr;
    }
    RemoveTimersOf(control);
    RemoveItem(postPainters_, control);
    names_.Forget(control);
    for (QueuedNotification& queued : queuedNotifications_) {
        if (queued.sender == control) {
            queued.sender = nullptr;
            queued.notification.sender = nullptr;
        }
    }
}

void CUIManager::Invalidate(const RECT& rect) {
    if (window_ != nullptr) {
        InvalidateRect(window_, &rect, FALSE);
    }
}

void CUIManager::SetInitSize(int cx, int cy) {
    metrics_.SetInitSize(cx, cy);
    if (window_ != nullptr && root_ == nullptr) {
        const SIZE size = GetInitSize();
        SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

void CUIManager::SetDpi(int dpi) {
    if (!metrics_.SetDpi(dpi)) {
        return;
    }
    RemakeFonts();
    images_.SetDpi(dpi);
    if (root_ != nullptr) {
        root_->ApplyScale();
        root_->RequestLayout();
    }
    // The offscreen surfaces are made again at the window's new size on the next paint.
    ReleaseOffscreen();
    updateNeeded_ = true;
    if (window_ != nullptr) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

// ---- notifications ---------------------------------------------------------------------------

void CUIManager::NotifyAll(IControlUI* control, const wchar_t* type, WPARAM wParam, LPARAM lParam,
                           bool queued) {
    Notification notification;
    notification.type = type != nullptr ? type : L"";
    notification.sender = ControlOf(control);
    notification.wParam = wParam;
    notification.lParam = lParam;
    notification.mouse = lastMouse_;
    notification.timestamp = GetTickCount();
    if (useVirtualWnd_ && control != nullptr) {
        notification.virtualWnd = control->GetVirtualWnd();
    }
    if (queued) {
        queuedNotifications_.push_back(QueuedNotification{notification, control});
    } else {
        DeliverNotification(notification, control);
    }
}

CAccessibility& CUIManager::Accessibility() {
    if (accessibility_ == nullptr) {
        accessibility_.reset(new CAccessibility(*this));
    }
    return *accessibility_;
}

void CUIManager::NotifyAccessible(IControlUI* control, AccessibleChange change) {
    if (window_ != nullptr && control != nullptr) {
        Accessibility().OnControlChanged(control, change);
    }
}

void CUIManager::AnnounceAccessible(IControlUI* control) {
    if (window_ != nullptr && control != nullptr) {
        Accessibility().Announce(control);
    }
}

void CUIManager::DeliverNotification(Notification& notification, IControlUI* sender) {
    if (sender != nullptr) {
        sender->RunNotifyListeners(notification);
    }
    auto listeners = listeners_;
    for (INotifyUI* listener : listeners) {
        listener->Notify(notification);
    }
}

void CUIManager::DeliverQueuedNotifications() {
    while (!queuedNotifications_.empty()) {
        QueuedNotification queued = queuedNotifications_.front();
        queuedNotifications_.pop_front();
        DeliverNotification(queued.notification, queued.sender);
    }
}

bool CUIManager::AddListener(INotifyUI* listener) {
    return AddUnique(listeners_, listener);
}
bool CUIManager::RemoveListener(INotifyUI* listener) {
    return RemoveItem(listeners_, listener);
}
bool CUIManager::AddMessageHook(IMessageFilterUI* hook) {
    return AddUnique(messageHooks_, hook);
}
bool CUIManager::RemoveMessageHook(IMessageFilterUI* hook) {
    return RemoveItem(messageHooks_, hook);
}
bool CUIManager::AddPreMessageHook(IMessageFilterUI* hook) {
    return AddUnique(preMessageHooks_, hook);
}
bool CUIManager::RemovePreMessageHook(IMessageFilterUI* hook) {
    return RemoveItem(preMessageHooks_, hook);
}
bool CUIManager::AddPostPainter(IControlUI* control) {
    return AddUnique(postPainters_, control);
}
bool CUIManager::RemovePostPainter(IControlUI* control) {
    return RemoveItem(postPainters_, control);
}
bool CUIManager::AddTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return AddUnique(accelerators_, accelerator);
}
bool CUIManager::RemoveTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return RemoveItem(accelerators_, accelerator);
}

// ---- deferred deletion ------------------------------------------------------------------------

void CUIManager::AddDeferredDelete(IControlUI* control) {
    if (control == nullptr) {
        return;
    }
    // Focus, hover, names, timers and option groups belong to the window's thread: there the
    // control leaves them at once; asked from another thread, only the list is touched here and
    // the control leaves them on the window's thread, just before it is deleted.
    const bool onWindowThread = GetCurrentThreadId() == windowThread_;
    if (onWindowThread) {
        Detach(control);
    }
    deferredDeletes_.Add(control, onWindowThread);
    if (window_ != nullptr) {
        PostMessageW(window_, kDeferredDeleteMessage, 0, 0);
    }
}

void CUIManager::Detach(IControlUI* control) {
    // The whole subtree leaves: nothing of it may stay focus, hover, click or named.
    control->FindControl(ForgetVisitor, this, UIFIND_ALL);
    control->SetManager(nullptr, nullptr, false);
}

void CUIManager::DeleteDeferred() {
    for (const CDeferredDeletions::Entry& entry : deferredDeletes_.TakeAll()) {
        if (!entry.detached) {
            Detach(entry.control);
        }
        delete entry.control;
    }
}

// ---- timers -----------------------------------------------------------------------------------

bool CUIManager::StartTimer(IControlUI* control, UINT localId, UINT elapse) {
    return timers_.Start(window_, control, localId, elapse);
}

bool CUIManager::StopTimer(IControlUI* control, UINT localId) {
    return timers_.Stop(window_, control, localId);
}

void CUIManager::RemoveTimersOf(IControlUI* control) {
    timers_.Forget(control);
}

// ---- tab order, names, groups, default attributes ----------------------------------------------

std::vector<IControlUI*> CUIManager::TabStops() const {
    std::vector<IControlUI*> stops;
    if (root_ != nullptr) {
        root_->FindControl(CollectTabStop, &stops,
                           UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    }
    SortInReadingOrder(stops);
    return stops;
}

std::vector<CControlUI*> CUIManager::GetTabStops() const {
    std::vector<CControlUI*> stops;
    for (IControlUI* stop : TabStops()) {
        stops.push_back(stop->AsControl());
    }
    return stops;
}

CControlUI* CUIManager::FindByName(const wchar_t* name) const {
    return ControlOf(names_.Find(name));
}

bool CUIManager::AddOptionGroup(const wchar_t* group, IControlUI* control) {
    if (group == nullptr || *group == 0 || control == nullptr) {
        return false;
    }
    return AddUnique(optionGroups_[group], control->AsControl());
}

const std::vector<CControlUI*>* CUIManager::GetOptionGroup(const wchar_t* group) const {
    if (group == nullptr) {
        return nullptr;
    }
    auto found = optionGroups_.find(group);
    return found != optionGroups_.end() ? &found->second : nullptr;
}

void CUIManager::RemoveOptionGroup(const wchar_t* group, IControlUI* control) {
    if (group == nullptr) {
        return;
    }
    auto found = optionGroups_.find(group);
    if (found != optionGroups_.end()) {
        RemoveItem(found->second, ControlOf(control));
        if (found->second.empty()) {
            optionGroups_.erase(found);
        }
    }
}

void CUIManager::AddDefaultAttributeList(const wchar_t* controlName, const wchar_t* list) {
    if (controlName != nullptr && list != nullptr) {
        defaultAttributes_[controlName] = list;
    }
}

const wchar_t* CUIManager::GetDefaultAttributeList(const wchar_t* controlName) const {
    if (controlName == nullptr) {
        return nullptr;
    }
    for (const CUIManager* manager = this; manager != nullptr; manager = manager->parent_) {
        auto found = manager->defaultAttributes_.find(controlName);
        if (found != manager->defaultAttributes_.end()) {
            return found->second.c_str();
        }
    }
    return nullptr;
}

// ---- process-wide ------------------------------------------------------------------------------

void CUIManager::SetProgramInstance(HINSTANCE instance) {
    SetProgramInstanceHandle(instance);
}
HINSTANCE CUIManager::GetProgramInstance() {
    return SkinUI::GetProgramInstance();
}
void CUIManager::SetResourceInstance(HINSTANCE instance) {
    SetResourceInstanceHandle(instance);
}
void CUIManager::SetDefaultFontFace(const wchar_t* face) {
    SetDefaultFontFaceName(face);
}

}  // namespace SkinUI
