#include "skinui/controls/layout_builder.h"

#include <cwchar>

#include "skinui/controls/container.h"
#include "skinui/controls/control.h"
#include "skinui/core/ui_manager.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

constexpr std::size_t kIncludeBufferSize = 499;

// Deletes a control the tree will not hold. It is bound to the manager first so that the
// destructors of it and its children let the manager forget them (names, option groups).
void Discard(CControlUI* control, CUIManager* manager) {
    if (control != nullptr && manager != nullptr) {
        control->SetManager(manager, nullptr, false);
    }
    delete control;
}

bool IsOneOf(const wchar_t* name, const wchar_t* a, const wchar_t* b, const wchar_t* c) {
    return std::wcscmp(name, a) == 0 || std::wcscmp(name, b) == 0 || std::wcscmp(name, c) == 0;
}

}  // namespace

const wchar_t* CLayoutBuilder::ResourceType() const {
    return resourceTypeId_ != 0 ? MAKEINTRESOURCEW(resourceTypeId_) : resourceTypeName_.c_str();
}

bool CLayoutBuilder::Load(const wchar_t* source, const wchar_t* type) {
    fromResource_ = false;
    if (source == nullptr) {
        return false;
    }
    if (!IS_INTRESOURCE(source)) {
        return source[0] == L'<' ? document_.LoadText(source)
                                 : document_.LoadFile(source, XMLFILE_ENCODING_UTF8);
    }
    // A resource needs a type to be found by; a null one would be no type at all.
    if (type == nullptr || (!IS_INTRESOURCE(type) && type[0] == 0)) {
        return false;
    }
    HMODULE module = GetResourceModule();
    HRSRC found = FindResourceW(module, source, type);
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    if (bytes == nullptr || size == 0 || !document_.LoadBytes(bytes, size, XMLFILE_ENCODING_UTF8)) {
        return false;
    }
    fromResource_ = true;
    if (IS_INTRESOURCE(type)) {
        resourceTypeId_ = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(type));
        resourceTypeName_.clear();
    } else {
        resourceTypeId_ = 0;
        resourceTypeName_ = type;
    }
    return true;
}

CControlUI* CLayoutBuilder::Build(const wchar_t* source, const wchar_t* type, CUIManager* manager,
                                  CControlUI* parent) {
    if (!Load(source, type)) {
        return nullptr;
    }
    CXmlNode root = document_.Root();
    if (!root.IsValid()) {
        return nullptr;
    }
    if (manager != nullptr) {
        ReadSharedResources(root, *manager);
        if (std::wcscmp(root.Name(), L"Window") == 0 && manager->GetWindow() != nullptr) {
            ApplyWindowAttributes(root, *manager);
        }
    }
    return BuildChildren(root, parent, manager, baseDepth_ + 1);
}

void CLayoutBuilder::BuildInclude(CXmlNode include, CControlUI* parent, CUIManager* manager,
                                  int depth) {
    if (!include.HasAttributes()) {
        return;
    }
    wchar_t count[kIncludeBufferSize] = {};
    wchar_t source[kIncludeBufferSize] = {};
    long times = include.FindAttribute(L"count", count, kIncludeBufferSize)
                     ? std::wcstol(count, nullptr, 10)
                     : 1;
    if (!include.FindAttribute(L"source", source, kIncludeBufferSize) || times < 1) {
        return;
    }
    for (; times > 0 && *includesLeft_ > 0; --times) {
        --*includesLeft_;
        CLayoutBuilder inner;
        inner.baseDepth_ = depth;
        inner.includesLeft_ = includesLeft_;
        CControlUI* built = nullptr;
        if (fromResource_) {
            const unsigned long id = std::wcstoul(source, nullptr, 10) & 0xFFFF;
            built = inner.Build(MAKEINTRESOURCEW(id), ResourceType(), manager, parent);
        } else {
            built = inner.Build(source, nullptr, manager, parent);
        }
        // Without a parent the included controls would belong to nobody.
        if (parent == nullptr) {
            Discard(built, manager);
        }
    }
}

void CLayoutBuilder::Configure(CControlUI* control, CXmlNode node, CUIManager* manager) {
    // Whatever binding attaching gave the control (a parent already bound to a window binds its
    // new children) is restored afterwards: a control in a bound tree that lost its manager would
    // paint without images and leave the manager pointing at it when deleted.
    CUIManager* boundManager = control->GetManager();
    CControlUI* boundParent = control->GetParent();
    if (manager != nullptr) {
        control->SetManager(manager, boundParent, false);
        control->SetAttributeList(manager->GetDefaultAttributeList(node.Name()));
    }
    const int count = node.AttributeCount();
    for (int i = 0; i < count; ++i) {
        control->SetAttribute(node.AttributeName(i), node.AttributeValue(i));
    }
    if (manager != nullptr) {
        control->SetManager(boundManager, boundParent, false);
    }
    if (boundManager != nullptr) {
        // Attached to a tree that already has its window: adding it bound and initialised it
        // already; only the name it has now is new.
        boundManager->EnterNames(control);
    }
}

CControlUI* CLayoutBuilder::BuildChildren(CXmlNode node, CControlUI* parent, CUIManager* manager,
                                          int depth) {
    if (depth > kMaxDepth) {
        return nullptr;
    }
    IContainerUI* container = nullptr;
    bool containerAsked = false;
    CControlUI* first = nullptr;
    for (CXmlNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
        const wchar_t* tag = child.Name();
        if (IsOneOf(tag, L"Image", L"Font", L"Default")) {
            continue;
        }
        if (std::wcscmp(tag, L"Include") == 0) {
            BuildInclude(child, parent, manager, depth);
            continue;
        }
        CControlUI* control = CreateControl(tag);
        if (control == nullptr) {
            continue;
        }
        if (child.HasChildren()) {
            BuildChildren(child, control, manager, depth + 1);
        }
        if (parent != nullptr) {
            if (!containerAsked) {
                container = dynamic_cast<IContainerUI*>(parent);
                containerAsked = true;
            }
            if (container == nullptr) {
                Discard(control, manager);
                return nullptr;
            }
            if (!container->Add(control)) {
                Discard(control, manager);
                continue;
            }
        }
        Configure(control, child, manager);
        if (first == nullptr) {
            first = control;
        } else if (parent == nullptr) {
            // Further top-level controls without a parent would belong to nobody.
            Discard(control, manager);
        }
    }
    return first;
}

}  // namespace SkinUI
