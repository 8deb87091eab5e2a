#include "app/text_convert.h"

#include <windows.h>

namespace {

std::string FromWide(UINT codePage, const std::wstring& text) {
    if (text.empty()) {
        return "";
    }
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return "";
    }
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) {
        return L"";
    }
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (units <= 0) {
        return L"";
    }
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], units);
    return wide;
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
    return FromWide(CP_ACP, text);
}

std::wstring AnsiToWide(const std::string& text) {
    return ToWide(CP_ACP, text);
}

std::wstring Utf8ToWide(const std::string& text) {
    return ToWide(CP_UTF8, text);
}

std::string WideToUtf8(const std::wstring& text) {
    return FromWide(CP_UTF8, text);
}

std::wstring WidenBytes(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return wide;
}

std::string NarrowUnits(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t c : text) {
        narrow += static_cast<char>(c);
    }
    return narrow;
}
