#pragma once
// The one reader of the inline markup of labels and buttons: tags ("{b}", "<a link>", "{/x}";
// lowercase letters only), escapes ("<{>" for "{") and raw text ("{r}...{/r}", drawn as it
// stands). The painter lays text out from what it reads here, and a screen reader gets the same
// text from MarkupPlainText, so what is drawn is what is read out.
#include <string>

namespace SkinUI {

struct MarkupTag {
    wchar_t letter = 0;
    bool closing = false;
    std::wstring argument;
    const wchar_t* next = nullptr;  // just after the tag
};

// A tag at p ("<x ...>", "{x ...}", "</x>", "{/x}"). The argument stops at the text's end when
// the tag is never closed.
bool ReadMarkupTag(const wchar_t* p, MarkupTag& tag);

// "<{>" prints "{", "<}>" prints "}", "{<}" prints "<", "{>}" prints ">" (three characters).
bool ReadMarkupEscape(const wchar_t* p, wchar_t& printed);

// Whether the tag read at a place counts: in raw text only the end of raw text does.
inline bool MarkupTagCounts(const MarkupTag& tag, bool raw) {
    return !raw || (tag.closing && tag.letter == L'r');
}

// The end of the run of plain text that starts at p: the next place where a tag (in raw text
// only the end of raw text), a line feed, a carriage return or the text's end may be.
const wchar_t* MarkupRunEnd(const wchar_t* p, bool raw);

// The text that the markup shows, in order: runs and escapes, raw text as it stands. A line
// feed and a line break tag give `lineBreak` (nothing when it is 0); carriage returns, like the
// other tags, give nothing.
std::wstring MarkupPlainText(const std::wstring& text, wchar_t lineBreak = L' ');

// Whether the markup opens a link ("<a ...>" or "{a ...}") that counts (not in raw text, not
// an escape).
bool MarkupHasLink(const std::wstring& text);

}  // namespace SkinUI
