#pragma once
// A small in-place XML parser for window layouts: elements, double-quoted attributes, five
// character entities, comments and processing instructions. Names and values are terminated
// inside the document's own wide-character buffer; elements form an index-linked table.
#include <windows.h>

#include <cstddef>
#include <vector>

namespace SkinUI {

class CXmlDocument;

enum XmlEncoding {
    XMLFILE_ENCODING_UTF8 = 0,
    XMLFILE_ENCODING_UNICODE = 1,
    XMLFILE_ENCODING_ASNI = 2
};

class CXmlNode {
public:
    static constexpr int kMaxAttributes = 64;

    CXmlNode() = default;
    CXmlNode(CXmlDocument* owner, unsigned index) : index_(index), owner_(owner) {}

    bool IsValid() const { return owner_ != nullptr; }
    const wchar_t* Name() const;
    CXmlNode FirstChild() const;
    CXmlNode NextSibling() const;
    bool HasChildren() const;
    bool HasAttributes() const;
    int AttributeCount() const;
    // The i-th attribute in document order; "" outside 0 .. count - 1.
    const wchar_t* AttributeName(int i) const;
    const wchar_t* AttributeValue(int i) const;
    // Copies the value of the first attribute called `name` into buffer (max characters,
    // terminator included, so at most max - 1 value characters) and returns true.
    bool FindAttribute(const wchar_t* name, wchar_t* buffer, std::size_t max) const;

private:
    void ScanAttributes() const;

    unsigned index_ = 0;
    mutable int attributeCount_ = 0;
    mutable unsigned attributes_[kMaxAttributes][2] = {};
    CXmlDocument* owner_ = nullptr;
};

class CXmlDocument {
public:
    // Nesting deeper than this is refused: the parser recurses once per level.
    static constexpr unsigned kMaxDepth = 256;
    static constexpr DWORD kMaxFileSize = 4 * 1024 * 1024;

    CXmlDocument() = default;
    explicit CXmlDocument(const wchar_t* text) { LoadText(text); }
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    bool LoadText(const wchar_t* text);
    bool LoadBytes(const void* bytes, std::size_t size, int encoding = XMLFILE_ENCODING_UTF8);
    bool LoadFile(const wchar_t* name, int encoding = XMLFILE_ENCODING_UTF8);
    void Clear();
    CXmlNode Root();

    const wchar_t* ErrorMessage() const { return errorMessage_; }
    const wchar_t* ErrorLocation() const { return errorLocation_; }

private:
    friend class CXmlNode;
    struct Element {
        unsigned start;
        unsigned child;
        unsigned next;
        unsigned data;
    };
    enum class Step { kFail, kDone, kContinue };

    bool Parse();
    bool Failed(const wchar_t* message, const wchar_t* at);
    unsigned NewElement();
    Step ParseContent(wchar_t*& p, unsigned parent, unsigned depth);
    bool ParseAttributes(wchar_t*& p);
    bool ParseData(wchar_t*& p, wchar_t*& dataEnd, wchar_t stop);
    void SkipWhitespace(wchar_t*& p) const;
    void SkipName(wchar_t*& p) const;
    bool AtEnd(const wchar_t* p) const { return p >= end_ || *p == 0; }
    unsigned Offset(const wchar_t* p) const { return static_cast<unsigned>(p - text_.data()); }

    std::vector<wchar_t> text_;
    std::vector<Element> elements_;
    unsigned count_ = 0;
    unsigned capacity_ = 0;
    wchar_t errorMessage_[100] = {};
    wchar_t errorLocation_[50] = {};
    const wchar_t* end_ = nullptr;
};

}  // namespace SkinUI
