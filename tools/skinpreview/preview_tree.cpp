#include "tools/skinpreview/preview_tree.h"

#include <cwchar>

#include "skinui/core/renderer.h"

namespace SkinPreview {

PreviewNode::~PreviewNode() {
    for (SkinUI::CControlUI* child : children_) {
        delete child;
    }
}

void PreviewNode::SetManager(SkinUI::CUIManager* manager, SkinUI::CControlUI* parent, bool init) {
    for (SkinUI::CControlUI* child : children_) {
        child->SetManager(manager, this, init);
    }
    SkinUI::CControlUI::SetManager(manager, parent, init);
}

void PreviewNode::SetPos(RECT rect) {
    SkinUI::CControlUI::SetPos(rect);
    int fixed = 0;
    int stretching = 0;
    for (SkinUI::CControlUI* child : children_) {
        if (!child->IsVisible() || child->IsFloat()) {
            continue;
        }
        child->GetFixedHeight() > 0 ? fixed += child->GetFixedHeight() : ++stretching;
    }
    const int share =
        stretching > 0 ? std::max(0L, (rect.bottom - rect.top - fixed) / stretching) : 0;
    LONG y = rect.top;
    for (SkinUI::CControlUI* child : children_) {
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            const SIZE pos = child->GetFixedPos();
            const LONG left =
                pos.cx >= 0 ? rect.left + pos.cx : rect.right + pos.cx - child->GetFixedWidth();
            const LONG top =
                pos.cy >= 0 ? rect.top + pos.cy : rect.bottom + pos.cy - child->GetFixedHeight();
            child->SetPos(
                RECT{left, top, left + child->GetFixedWidth(), top + child->GetFixedHeight()});
            continue;
        }
        const int height = child->GetFixedHeight() > 0 ? child->GetFixedHeight() : share;
        const int width =
            child->GetFixedWidth() > 0 ? child->GetFixedWidth() : rect.right - rect.left;
        child->SetPos(RECT{rect.left, y, rect.left + width, y + height});
        y += height;
    }
}

SkinUI::CControlUI* PreviewNode::FindControl(SkinUI::FindControlProc visitor, void* data,
                                             unsigned flags) {
    if ((flags & SkinUI::UIFIND_VISIBLE) != 0 && !IsVisible()) {
        return nullptr;
    }
    if ((flags & SkinUI::UIFIND_HITTEST) != 0 &&
        !PtInRect(&itemRect_, *static_cast<POINT*>(data))) {
        return nullptr;
    }
    for (SkinUI::CControlUI* child : children_) {
        if (SkinUI::CControlUI* found = child->FindControl(visitor, data, flags)) {
            return found;
        }
    }
    return SkinUI::CControlUI::FindControl(visitor, data, flags);
}

void PreviewNode::Paint(HDC dc, const RECT& dirty) {
    RECT area;
    if (!IntersectRect(&area, &dirty, &itemRect_)) {
        return;
    }
    SkinUI::CRenderClip clip;
    SkinUI::CRenderer::ClipToRect(dc, area, clip);
    SkinUI::CControlUI::Paint(dc, dirty);
    for (SkinUI::CControlUI* child : children_) {
        if (child->IsVisible()) {
            child->Paint(dc, area);
        }
    }
}

void PreviewNode::PaintText(HDC dc) {
    if (text_.empty() || manager_ == nullptr) {
        return;
    }
    RECT rect = itemRect_;
    int links = 0;
    SkinUI::CRenderer::PaintMarkupText(dc, manager_, rect, text_.c_str(),
                                       manager_->GetDefaultFontColor(), nullptr, nullptr, links,
                                       DT_WORDBREAK | DT_VCENTER);
}

namespace {

PreviewNode* Build(SkinUI::CXmlNode node, int depth) {
    auto* control = new PreviewNode();
    for (int i = 0; i < node.AttributeCount(); ++i) {
        control->SetAttribute(node.AttributeName(i), node.AttributeValue(i));
    }
    if (depth < 64) {
        for (SkinUI::CXmlNode child = node.FirstChild(); child.IsValid();
             child = child.NextSibling()) {
            const std::wstring name = child.Name();
            if (name == L"Font" || name == L"Image" || name == L"Default") {
                continue;
            }
            control->Add(Build(child, depth + 1));
        }
    }
    return control;
}

}  // namespace

PreviewNode* BuildPreviewTree(SkinUI::CXmlDocument& document, SkinUI::CUIManager& manager) {
    SkinUI::CXmlNode root = document.Root();
    if (!root.IsValid()) {
        return nullptr;
    }
    wchar_t size[64] = {};
    if (root.FindAttribute(L"size", size, 64)) {
        wchar_t* end = nullptr;
        const long cx = std::wcstol(size, &end, 10);
        const long cy = *end != 0 ? std::wcstol(end + 1, nullptr, 10) : 0;
        manager.SetInitSize(static_cast<int>(cx), static_cast<int>(cy));
    }
    if (std::wcscmp(root.Name(), L"Window") == 0) {
        // The window's own attributes are not control attributes: build its children only.
        auto* top = new PreviewNode();
        for (SkinUI::CXmlNode child = root.FirstChild(); child.IsValid();
             child = child.NextSibling()) {
            const std::wstring name = child.Name();
            if (name != L"Font" && name != L"Image" && name != L"Default") {
                top->Add(Build(child, 1));
            }
        }
        return top;
    }
    return Build(root, 0);
}

}  // namespace SkinPreview
