#include "skinui/core/markup_reader.h"

namespace SkinUI {

namespace {

bool IsTagLetter(wchar_t c) {
    return c >= L'a' && c <= L'z';
}

bool IsCloser(wchar_t c) {
    return c == L'>' || c == L'}';
}

// "{/r}" or "</r>".
bool EndsRaw(const wchar_t* p) {
    MarkupTag tag;
    return ReadMarkupTag(p, tag) && tag.closing && tag.letter == L'r';
}

}  // namespace

bool ReadMarkupTag(const wchar_t* p, MarkupTag& tag) {
    if (*p != L'<' && *p != L'{') {
        return false;
    }
    if (p[1] == L'/' && IsTagLetter(p[2]) && IsCloser(p[3])) {
        tag.letter = p[2];
        tag.closing = true;
        tag.argument.clear();
        tag.next = p + 4;
        return true;
    }
    if (!IsTagLetter(p[1]) || !(p[2] == L' ' || IsCloser(p[2]))) {
        return false;
    }
    tag.letter = p[1];
    tag.closing = false;
    const wchar_t* q = p + 2;
    while (*q == L' ') {
        ++q;
    }
    const wchar_t* begin = q;
    while (*q != 0 && !IsCloser(*q)) {
        ++q;
    }
    tag.argument.assign(begin, q);
    while (!tag.argument.empty() && tag.argument.back() == L' ') {
        tag.argument.pop_back();
    }
    tag.next = *q != 0 ? q + 1 : q;
    return true;
}

bool ReadMarkupEscape(const wchar_t* p, wchar_t& printed) {
    if (p[0] == L'<' && (p[1] == L'{' || p[1] == L'}') && p[2] == L'>') {
        printed = p[1];
        return true;
    }
    if (p[0] == L'{' && (p[1] == L'<' || p[1] == L'>') && p[2] == L'}') {
        printed = p[1];
        return true;
    }
    return false;
}

const wchar_t* MarkupRunEnd(const wchar_t* p, bool raw) {
    const wchar_t* end = p + 1;
    while (*end != 0 && *end != L'\n' && *end != L'\r' &&
           (raw ? !EndsRaw(end) : (*end != L'<' && *end != L'{'))) {
        ++end;
    }
    return end;
}

std::wstring MarkupPlainText(const std::wstring& text, wchar_t lineBreak) {
    std::wstring plain;
    bool raw = false;
    const wchar_t* p = text.c_str();
    while (*p != 0) {
        if (*p == L'\n' || *p == L'\r') {
            if (*p == L'\n' && lineBreak != 0) {
                plain += lineBreak;
            }
            ++p;
            continue;
        }
        wchar_t printed = 0;
        if (!raw && ReadMarkupEscape(p, printed)) {
            plain += printed;
            p += 3;
            continue;
        }
        MarkupTag tag;
        if (ReadMarkupTag(p, tag) && MarkupTagCounts(tag, raw)) {
            if (tag.letter == L'r') {
                raw = !tag.closing;
            } else if (tag.letter == L'n' && !tag.closing && lineBreak != 0) {
                plain += lineBreak;
            }
            p = tag.next;
            continue;
        }
        const wchar_t* end = MarkupRunEnd(p, raw);
        plain.append(p, end);
        p = end;
    }
    return plain;
}

bool MarkupHasLink(const std::wstring& text) {
    bool raw = false;
    const wchar_t* p = text.c_str();
    while (*p != 0) {
        wchar_t printed = 0;
        MarkupTag tag;
        if (!raw && ReadMarkupEscape(p, printed)) {
            p += 3;
        } else if (ReadMarkupTag(p, tag) && MarkupTagCounts(tag, raw)) {
            if (tag.letter == L'a' && !tag.closing) {
                return true;
            }
            raw = tag.letter == L'r' ? !tag.closing : raw;
            p = tag.next;
        } else {
            p = *p == L'\n' || *p == L'\r' ? p + 1 : MarkupRunEnd(p, raw);
        }
    }
    return false;
}

}  // namespace SkinUI
