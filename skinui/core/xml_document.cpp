#include "skinui/core/xml_document.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "skinui/core/file_bytes.h"
#include "skinui/core/ui_settings.h"

namespace SkinUI {

namespace {

bool IsNameChar(wchar_t c) {
    return std::iswalnum(c) || c == L'_' || c == L':';
}

void CopyBounded(wchar_t* target, std::size_t max, const wchar_t* source, std::size_t limit) {
    std::size_t n = 0;
    while (n + 1 < max && n < limit && source[n] != 0) {
        target[n] = source[n];
        ++n;
    }
    target[n] = 0;
}

struct Entity {
    const wchar_t* name;
    std::size_t length;
    wchar_t value;
};
constexpr Entity kEntities[] = {{L"&amp;", 5, L'&'},
                                {L"&lt;", 4, L'<'},
                                {L"&gt;", 4, L'>'},
                                {L"&quot;", 6, L'"'},
                                {L"&apos;", 6, L'\''}};

}  // namespace

// ---- document -------------------------------------------------------------------------------

void CXmlDocument::Clear() {
    text_.clear();
    text_.shrink_to_fit();
    elements_.clear();
    elements_.shrink_to_fit();
    count_ = 0;
    capacity_ = 0;
    end_ = nullptr;
}

bool CXmlDocument::Failed(const wchar_t* message, const wchar_t* at) {
    CopyBounded(errorMessage_, 100, message, 99);
    errorLocation_[0] = 0;
    if (at != nullptr && at >= text_.data() && at < end_) {
        CopyBounded(errorLocation_, 50, at, static_cast<std::size_t>(end_ - at));
    }
    Clear();
    return false;
}

bool CXmlDocument::LoadText(const wchar_t* text) {
    Clear();
    if (text == nullptr) {
        text = L"";
    }
    std::size_t length = std::wcslen(text);
    text_.assign(text, text + length + 1);
    return Parse();
}

bool CXmlDocument::LoadBytes(const void* bytes, std::size_t size, int encoding) {
    Clear();
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    if (data == nullptr) {
        size = 0;
    }
    if (size > static_cast<std::size_t>(INT_MAX)) {
        return Failed(L"File too large", nullptr);
    }
    if (encoding == XMLFILE_ENCODING_UNICODE) {
        if (size < 2 ||
            !((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
            return Failed(L"UTF-16 text without byte order mark", nullptr);
        }
        bool swap = data[0] == 0xFE;
        std::size_t chars = size / 2 - 1;
        text_.resize(chars + 1);
        for (std::size_t i = 0; i < chars; ++i) {
            unsigned char lo = data[2 + 2 * i];
            unsigned char hi = data[3 + 2 * i];
            text_[i] =
                swap ? static_cast<wchar_t>((lo << 8) | hi) : static_cast<wchar_t>((hi << 8) | lo);
        }
        text_[chars] = 0;
        return Parse();
    }
    UINT codePage = CP_UTF8;
    if (encoding == XMLFILE_ENCODING_ASNI) {
        codePage = CP_ACP;
    } else if (size > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        data += 3;
        size -= 3;
    }
    const char* source = reinterpret_cast<const char*>(data);
    int chars = size == 0
                    ? 0
                    : MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), nullptr, 0);
    text_.assign(static_cast<std::size_t>(chars) + 1, 0);
    if (chars > 0) {
        MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), text_.data(), chars);
    }
    return Parse();
}

bool CXmlDocument::LoadFile(const wchar_t* name, int encoding) {
    Clear();
    std::wstring path = name != nullptr ? name : L"";
    std::vector<unsigned char> bytes;
    switch (ReadWholeFile(path.c_str(), kMaxFileSize, bytes)) {
        case FileReadResult::kOpenFailed:
            return Failed(L"Error opening file", nullptr);
        case FileReadResult::kEmpty:
            return Failed(L"File is empty", nullptr);
        case FileReadResult::kTooLarge:
            return Failed(L"File too large", nullptr);
        case FileReadResult::kShortRead:
            return Failed(L"Could not read file", nullptr);
        case FileReadResult::kOk:
            break;
    }
    return LoadBytes(bytes.data(), bytes.size(), encoding);
}

CXmlNode CXmlDocument::Root() {
    if (count_ > 1) {
        return CXmlNode(this, 1);
    }
    return CXmlNode();
}

unsigned CXmlDocument::NewElement() {
    if (count_ == capacity_) {
        capacity_ = capacity_ + capacity_ / 2 + 500;
        elements_.resize(capacity_);
    }
    elements_[count_] = Element{0, 0, 0, 0};
    return count_++;
}

void CXmlDocument::SkipWhitespace(wchar_t*& p) const {
    while (p < end_ && *p != 0 && *p <= L' ') {
        ++p;
    }
}

void CXmlDocument::SkipName(wchar_t*& p) const {
    while (p < end_ && *p != 0 && IsNameChar(*p)) {
        ++p;
    }
}

bool CXmlDocument::Parse() {
    errorMessage_[0] = 0;
    errorLocation_[0] = 0;
    if (text_.empty()) {
        text_.push_back(0);
    }
    end_ = text_.data() + text_.size() - 1;
    NewElement();  // reserved slot 0
    wchar_t* p = text_.data();
    return ParseContent(p, 0, 0) != Step::kFail;
}

CXmlDocument::Step CXmlDocument::ParseContent(wchar_t*& p, unsigned parent, unsigned depth) {
    if (depth >= kMaxDepth) {
        Failed(L"Elements nested too deeply", p);
        return Step::kFail;
    }
    unsigned previous = 0;
    for (;;) {
        SkipWhitespace(p);
        if (AtEnd(p) && parent <= 1) {
            return Step::kDone;
        }
        if (AtEnd(p) || *p != L'<') {
            Failed(L"Expected start tag", p);
            return Step::kFail;
        }
        if (p + 1 < end_ && p[1] == L'/') {
            return Step::kContinue;
        }
        *p++ = 0;
        SkipWhitespace(p);
        if (!AtEnd(p) && (*p == L'!' || *p == L'?')) {
            wchar_t mark = *p == L'!' ? L'-' : L'?';
            while (!AtEnd(p) && !(p[0] == mark && p + 1 < end_ && p[1] == L'>')) {
                ++p;
            }
            p = AtEnd(p) ? p : p + 2;
            continue;
        }
        unsigned element = NewElement();
        elements_[element].start = Offset(p);
        if (previous != 0) {
            elements_[previous].next = element;
        } else if (parent != 0) {
            elements_[parent].child = element;
        }
        previous = element;

        SkipName(p);
        if (AtEnd(p)) {
            Failed(L"Error parsing element name", p);
            return Step::kFail;
        }
        wchar_t* nameEnd = p;
        if (!ParseAttributes(p)) {
            return Step::kFail;
        }
        SkipWhitespace(p);
        if (!AtEnd(p) && p[0] == L'/' && p + 1 < end_ && p[1] == L'>') {
            elements_[element].data = Offset(p);
            p[0] = 0;
            p += 2;
        } else {
            if (AtEnd(p) || *p != L'>') {
                Failed(L"Expected start-tag closing", p);
                return Step::kFail;
            }
            ++p;
            // The name ends here whatever follows: the text may end before the element does.
            *nameEnd = 0;
            elements_[element].data = Offset(p);
            wchar_t* dataEnd = p;
            ParseData(p, dataEnd, L'<');
            if (AtEnd(p) && parent <= 1) {
                return Step::kDone;
            }
            if (AtEnd(p) || *p != L'<') {
                Failed(L"Expected end-tag start", p);
                return Step::kFail;
            }
            if (!(p + 1 < end_ && p[1] == L'/')) {
                Step inner = ParseContent(p, element, depth + 1);
                if (inner != Step::kContinue) {
                    return inner;
                }
            }
            if (!AtEnd(p) && p[0] == L'<' && p + 1 < end_ && p[1] == L'/') {
                *dataEnd = 0;
                *p = 0;
                p += 2;
                SkipWhitespace(p);
                const wchar_t* name = text_.data() + elements_[element].start;
                std::size_t nameLength = static_cast<std::size_t>(nameEnd - name);
                if (static_cast<std::size_t>(end_ - p) < nameLength ||
                    std::wmemcmp(p, name, nameLength) != 0) {
                    Failed(L"Unmatched closing tag", p);
                    return Step::kFail;
                }
                p += nameLength;
                SkipWhitespace(p);
                if (AtEnd(p) || *p != L'>') {
                    Failed(L"Unmatched closing tag", p);
                    return Step::kFail;
                }
                ++p;
            }
        }
        *nameEnd = 0;
    }
}

bool CXmlDocument::ParseAttributes(wchar_t*& p) {
    if (*p == L'>' || (p[0] == L'/' && p + 1 < end_ && p[1] == L'>')) {
        return true;
    }
    *p++ = 0;
    for (;;) {
        SkipWhitespace(p);
        if (AtEnd(p) || *p == L'>' || *p == L'/') {
            return true;
        }
        wchar_t* name = p;
        SkipName(p);
        wchar_t* nameEnd = p;
        SkipWhitespace(p);
        // An attribute needs a name: the attribute scan finds names after blanks and zeros.
        if (AtEnd(p) || *p != L'=' || nameEnd == name) {
            Failed(L"Error while parsing attributes", p);
            return false;
        }
        *p++ = L' ';
        *nameEnd = 0;
        SkipWhitespace(p);
        if (AtEnd(p) || *p != L'"') {
            Failed(L"Expected attribute value", p);
            return false;
        }
        ++p;
        wchar_t* valueEnd = p;
        bool shortened = ParseData(p, valueEnd, L'"');
        if (AtEnd(p)) {
            Failed(L"Error while parsing attribute string", p);
            return false;
        }
        *valueEnd = 0;
        if (shortened) {
            *p = L' ';
        }
        ++p;
    }
}

// Decodes entities in place from p up to `stop` or the end; `out` ends where the decoded text
// ends. Returns whether decoding made the text shorter.
bool CXmlDocument::ParseData(wchar_t*& p, wchar_t*& out, wchar_t stop) {
    out = p;
    while (!AtEnd(p) && *p != stop) {
        if (*p == L'&') {
            bool decoded = false;
            for (const Entity& entity : kEntities) {
                if (static_cast<std::size_t>(end_ - p) >= entity.length &&
                    std::wmemcmp(p, entity.name, entity.length) == 0) {
                    *out++ = entity.value;
                    p += entity.length;
                    decoded = true;
                    break;
                }
            }
            if (decoded) {
                continue;
            }
        }
        *out++ = *p++;
    }
    if (out == p) {
        return false;
    }
    for (wchar_t* blank = out + 1; blank < p; ++blank) {
        *blank = L' ';
    }
    return true;
}

// ---- node -----------------------------------------------------------------------------------

const wchar_t* CXmlNode::Name() const {
    if (owner_ == nullptr) {
        return L"";
    }
    return owner_->text_.data() + owner_->elements_[index_].start;
}

CXmlNode CXmlNode::FirstChild() const {
    if (owner_ == nullptr || owner_->elements_[index_].child == 0) {
        return CXmlNode();
    }
    return CXmlNode(owner_, owner_->elements_[index_].child);
}

CXmlNode CXmlNode::NextSibling() const {
    if (owner_ == nullptr || owner_->elements_[index_].next == 0) {
        return CXmlNode();
    }
    return CXmlNode(owner_, owner_->elements_[index_].next);
}

bool CXmlNode::HasChildren() const {
    return owner_ != nullptr && owner_->elements_[index_].child != 0;
}

bool CXmlNode::HasAttributes() const {
    return AttributeCount() > 0;
}

int CXmlNode::AttributeCount() const {
    if (attributeCount_ == 0) {
        ScanAttributes();
    }
    return attributeCount_;
}

void CXmlNode::ScanAttributes() const {
    if (owner_ == nullptr) {
        return;
    }
    const wchar_t* text = owner_->text_.data();
    const CXmlDocument::Element& element = owner_->elements_[index_];
    const wchar_t* p = text + element.start;
    const wchar_t* data = text + element.data;
    auto skipTerminated = [&] {
        while (p < data && *p != 0) {
            ++p;
        }
    };
    auto skipBlanks = [&] {
        while (p < data && *p <= L' ') {
            ++p;
        }
    };
    skipTerminated();
    while (p < data) {
        skipBlanks();
        if (p >= data) {
            break;
        }
        unsigned name = static_cast<unsigned>(p - text);
        skipTerminated();
        skipBlanks();
        if (p >= data || *p != L'"') {
            break;
        }
        ++p;
        attributes_[attributeCount_][0] = name;
        attributes_[attributeCount_][1] = static_cast<unsigned>(p - text);
        if (++attributeCount_ == kMaxAttributes) {
            break;
        }
        skipTerminated();
    }
}

const wchar_t* CXmlNode::AttributeName(int i) const {
    if (i < 0 || i >= AttributeCount()) {
        return L"";
    }
    return owner_->text_.data() + attributes_[i][0];
}

const wchar_t* CXmlNode::AttributeValue(int i) const {
    if (i < 0 || i >= AttributeCount()) {
        return L"";
    }
    return owner_->text_.data() + attributes_[i][1];
}

bool CXmlNode::FindAttribute(const wchar_t* name, wchar_t* buffer, std::size_t max) const {
    if (name == nullptr) {
        return false;
    }
    int count = AttributeCount();
    for (int i = 0; i < count; ++i) {
        if (std::wcscmp(AttributeName(i), name) == 0) {
            if (buffer != nullptr && max > 0) {
                CopyBounded(buffer, max, AttributeValue(i), max);
            }
            return true;
        }
    }
    return false;
}

}  // namespace SkinUI
