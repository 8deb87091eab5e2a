#pragma once
// Controls that hold other controls: the child-list interface and the plain container, which
// lays every child over its whole client area and places floating children where they ask.
#include <windows.h>

#include <vector>

#include "skinui/controls/control.h"

namespace SkinUI {

class CScrollBarUI;

// The child list of a container.
class IContainerUI {
public:
    virtual CControlUI* ItemAt(int index) const = 0;
    virtual int IndexOf(CControlUI* control) const = 0;
    virtual bool MoveItem(CControlUI* control, int index) = 0;
    virtual int Count() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool Insert(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual bool RemoveAll() = 0;

protected:
    ~IContainerUI() = default;
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;
    bool BackImageCarriesMeaning() const override { return false; }

    const wchar_t* GetClassName() const override { return L"ContainerUI"; }
    void SetManager(CUIManager* manager, IControlUI* parent, bool init = true) override;
    void ApplyScale() override;
    void SetPos(RECT rect) override;
    void SetVisible(bool visible) override;
    void SetParentVisible(bool visible) override;
    void SetMouseEnabled(bool enabled) override;
    CControlUI* FindControl(FindControlProc visitor, void* data, unsigned flags) override;
    void HandleEvent(ControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Paint(HDC dc, const RECT& dirty) override;

    // IContainerUI
    CControlUI* ItemAt(int index) const override;
    int IndexOf(CControlUI* control) const override;
    bool MoveItem(CControlUI* control, int index) override;
    int Count() const override { return static_cast<int>(items_.size()); }
    bool Add(CControlUI* control) override;
    bool Insert(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    bool RemoveAll() override;

    virtual RECT GetInset() const { return inset_; }
    virtual void SetInset(RECT inset);
    virtual int GetChildPadding() const { return childPadding_; }
    virtual void SetChildPadding(int padding);
    virtual bool OwnsChildren() const { return autoDestroy_; }
    virtual void SetOwnsChildren(bool owns) { autoDestroy_ = owns; }
    virtual bool IsDeferDelete() const { return delayedDestroy_; }
    virtual void SetDeferDelete(bool defer) { delayedDestroy_ = defer; }
    virtual bool IsChildMouse() const { return mouseChild_; }
    virtual void SetChildMouse(bool enabled) { mouseChild_ = enabled; }
    // Index of the nearest child from start on (or back from it) that Activate accepts; -1.
    virtual int FindSelectableItem(int start, bool forward) const;
    virtual SIZE GetScrollPos() const;
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos);
    virtual void ScrollLineUp();
    virtual void ScrollLineDown();
    virtual void ScrollPageUp();
    virtual void ScrollPageDown();
    virtual void ScrollToTop();
    virtual void ScrollToBottom();
    virtual void ScrollLineLeft();
    virtual void ScrollLineRight();
    virtual void ScrollPageLeft();
    virtual void ScrollPageRight();
    virtual void ScrollToLeft();
    virtual void ScrollToRight();
    virtual void EnableScrollBars(bool vertical, bool horizontal);
    virtual CScrollBarUI* GetVScrollBar() const { return vScroll_; }
    virtual CScrollBarUI* GetHScrollBar() const { return hScroll_; }
    virtual void PlaceFloatChild(int index);
    virtual void UpdateScrollBars(RECT rect, int cxNeeded, int cyNeeded);

protected:
    // The item rectangle minus the inset and the visible scroll bars.
    RECT ClientRect() const;
    // Deletes a child that leaves the list, as the ownership flags say.
    void DisposeChild(CControlUI* child);
    int LineSize() const;
    bool IsBarShown(const CScrollBarUI* bar) const;

    std::vector<CControlUI*> items_;
    RECT inset_ = {0, 0, 0, 0};
    int childPadding_ = 0;
    // As the layout wrote them (100 %), for ApplyScale.
    bool hasInset100_ = false;
    RECT inset100_ = {0, 0, 0, 0};
    bool hasChildPadding100_ = false;
    int childPadding100_ = 0;
    bool autoDestroy_ = true;
    bool delayedDestroy_ = true;
    bool mouseChild_ = true;
    CScrollBarUI* vScroll_ = nullptr;
    CScrollBarUI* hScroll_ = nullptr;
};

}  // namespace SkinUI
