#pragma once
// A stand-in tree for previewing layout documents before the real layout builder and
// containers exist: every element becomes a node that takes the common control attributes,
// places floating children by their position and stacks the others top to bottom.
#include <windows.h>

#include "skinui/controls/control.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/xml_document.h"

namespace SkinPreview {

class PreviewNode : public SkinUI::CControlUI {
public:
    ~PreviewNode() override;
    void Add(SkinUI::CControlUI* child) { children_.push_back(child); }
    void SetManager(SkinUI::CUIManager* manager, SkinUI::CControlUI* parent,
                    bool init = true) override;
    void SetPos(RECT rect) override;
    SkinUI::CControlUI* FindControl(SkinUI::FindControlProc visitor, void* data,
                                    unsigned flags) override;
    void Paint(HDC dc, const RECT& dirty) override;
    void PaintText(HDC dc) override;

private:
    std::vector<SkinUI::CControlUI*> children_;
};

// Builds the tree of the document's root element; applies the Window element's "size" to
// the manager. Null when the document has no root.
PreviewNode* BuildPreviewTree(SkinUI::CXmlDocument& document, SkinUI::CUIManager& manager);

}  // namespace SkinPreview
