#pragma once
// Turns a layout document into a tree of controls for one window: the document's fonts, images,
// default attribute lists and window settings go into the window's paint manager, each control
// element becomes a control nested as the elements are, configured from its attributes.
#include <windows.h>

#include <string>

#include "skinui/core/xml_document.h"

namespace SkinUI {

class CControlUI;
class CUIManager;

class CLayoutBuilder {
public:
    // Nesting of control elements, counted across included documents; deeper ones are left out.
    static constexpr int kMaxDepth = 256;
    // Included documents one Build may load in all; further Include elements are left out.
    static constexpr int kMaxIncludes = 1000;

    CLayoutBuilder() = default;
    CLayoutBuilder(const CLayoutBuilder&) = delete;
    CLayoutBuilder& operator=(const CLayoutBuilder&) = delete;

    // source: a resource id (MAKEINTRESOURCEW, read from the resource instance with `type`), XML
    // text (starts with '<') or a file name (UTF-8). manager and parent may be null. Returns the
    // first control built at the document's top level, or null.
    CControlUI* Build(const wchar_t* source, const wchar_t* type = nullptr,
                      CUIManager* manager = nullptr, CControlUI* parent = nullptr);
    CControlUI* Build(UINT resourceId, const wchar_t* type, CUIManager* manager = nullptr,
                      CControlUI* parent = nullptr) {
        return Build(MAKEINTRESOURCEW(resourceId), type, manager, parent);
    }

    // The loaded document; after a failed load it holds the parse error.
    CXmlDocument& GetDocument() { return document_; }

    // The control class of a tag, or null for a tag the framework does not know.
    static CControlUI* CreateControl(const wchar_t* tag);

private:
    bool Load(const wchar_t* source, const wchar_t* type);
    const wchar_t* ResourceType() const;
    // Fonts, images and default attribute lists: children of the document's first element.
    static void ReadSharedResources(CXmlNode root, CUIManager& manager);
    // The first element's attributes that are window settings.
    static void ApplyWindowAttributes(CXmlNode root, CUIManager& manager);
    CControlUI* BuildChildren(CXmlNode node, CControlUI* parent, CUIManager* manager, int depth);
    void BuildInclude(CXmlNode include, CControlUI* parent, CUIManager* manager, int depth);
    static void Configure(CControlUI* control, CXmlNode node, CUIManager* manager);

    CXmlDocument document_;
    // Set only when the document came from a resource: Include elements then name resources.
    bool fromResource_ = false;
    std::wstring resourceTypeName_;
    WORD resourceTypeId_ = 0;
    // Shared with the builders of included documents.
    int baseDepth_ = 0;
    int ownIncludesLeft_ = kMaxIncludes;
    int* includesLeft_ = &ownIncludesLeft_;
};

}  // namespace SkinUI
