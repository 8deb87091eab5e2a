// The layout XML parser: bytes as a UTF-8 and as a UTF-16 layout file, and 16-bit text as
// LoadText gets it; every node, attribute and lookup of the tree that results is read.
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <cwctype>

#include "skinui/core/xml_document.h"
#include "support/fuzz_input.h"

namespace {

volatile std::size_t g_sink;

void Touch(const wchar_t* text) {
    g_sink = g_sink + std::wcslen(text);
}

// Names end where the name characters end, whatever follows them in the text.
void CheckName(const wchar_t* name) {
    for (const wchar_t* c = name; *c != 0; ++c) {
        if (!std::iswalnum(static_cast<wint_t>(*c)) && *c != L'_' && *c != L':') {
            __builtin_trap();
        }
    }
}

void Walk(const SkinUI::CXmlNode& node, unsigned depth) {
    for (SkinUI::CXmlNode n = node; n.IsValid(); n = n.NextSibling()) {
        CheckName(n.Name());
        const int count = n.AttributeCount();
        if (count < 0 || count > SkinUI::CXmlNode::kMaxAttributes) {
            __builtin_trap();
        }
        for (int i = -1; i <= count; ++i) {
            CheckName(n.AttributeName(i));
            Touch(n.AttributeValue(i));
        }
        wchar_t buffer[8];
        for (int i = 0; i < count; ++i) {
            for (std::size_t max : {std::size_t{1}, std::size_t{2}, std::size_t{8}}) {
                if (!n.FindAttribute(n.AttributeName(i), buffer, max) ||
                    std::wcslen(buffer) >= max) {
                    __builtin_trap();
                }
            }
        }
        n.FindAttribute(L"name", nullptr, 0);
        if (n.HasChildren() != n.FirstChild().IsValid()) {
            __builtin_trap();
        }
        if (depth > SkinUI::CXmlDocument::kMaxDepth) {
            __builtin_trap();
        }
        Walk(n.FirstChild(), depth + 1);
    }
}

void Check(SkinUI::CXmlDocument& document, bool loaded) {
    Touch(document.ErrorMessage());
    Touch(document.ErrorLocation());
    if (loaded) {
        Walk(document.Root(), 1);
    } else if (document.Root().IsValid()) {
        __builtin_trap();  // a failed load leaves no tree
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SkinUI::CXmlDocument document;
    Check(document, document.LoadBytes(data, size, SkinUI::XMLFILE_ENCODING_UTF8));
    Check(document, document.LoadBytes(data, size, SkinUI::XMLFILE_ENCODING_UNICODE));
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        // The same units as text in memory, which ends at the first 0.
        std::vector<wchar_t> units = velmora_fuzz::WideUnits(data, size);
        Check(document, document.LoadText(units.data()));
    }
    return 0;
}
