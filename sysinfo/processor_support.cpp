#include "sysinfo/processor_support.h"

#include <windows.h>

#include "app/log.h"
#include "app/no_follow.h"
#include "app/scoped_handles.h"
#include "app/text_convert.h"
#include "sysinfo/processor.h"

const wchar_t kExtraModelsFile[] = L"AmdSupport.txt";

namespace {

const char kTag[] = "ProcessorSupport";
// A list of model names is a few KiB; a file far larger than this is not such a list.
const LONGLONG kMaxExtraModelsBytes = 1 << 20;

// Upper case as the C library's toupper does it in the "C" locale: ASCII letters only.
std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return text;
}

std::wstring Trim(const std::wstring& text, wchar_t c) {
    const size_t first = text.find_first_not_of(c);
    if (first == std::wstring::npos) {
        return L"";
    }
    return text.substr(first, text.find_last_not_of(c) - first + 1);
}

// The file's text in UTF-16; "" when it is missing, unreadable or not convertible.
std::wstring ReadExtraModelsFile() {
    std::string why;
    ScopedHandle file = OpenFileNoFollow(kExtraModelsFile, GENERIC_READ, 0, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, &why);
    if (!file.valid()) {
        if (GetLastError() == ERROR_CANT_ACCESS_FILE) {
            LogW(kTag, "AmdSupport.txt ignored: ", why);
        }
        return L"";
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) {
        return L"";
    }
    if (size.QuadPart > kMaxExtraModelsBytes) {
        LogW(kTag, "AmdSupport.txt ignored: ", static_cast<long long>(size.QuadPart),
             " bytes is more than a model list can be");
        return L"";
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return L"";
    }
    bytes.resize(read);
    return AnsiToWide(bytes);
}

bool EntryMatches(const std::wstring& entry, const std::wstring& processorName) {
    for (const std::wstring& piece : SplitText(entry, L' ')) {
        if (!ContainsText(piece, processorName, false)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ContainsText(const std::wstring& needle, const std::wstring& haystack, bool caseSensitive) {
    const std::wstring trimmed = Trim(needle, L' ');
    if (caseSensitive) {
        return haystack.find(trimmed) != std::wstring::npos;
    }
    return Upper(haystack).find(Upper(trimmed)) != std::wstring::npos;
}

std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        if (at == std::wstring::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, at + 1 - start));
        start = at + 1;
    }
}

std::vector<std::wstring> ParseExtraModels(const std::wstring& text) {
    std::vector<std::wstring> entries;
    if (text.empty()) {
        return entries;
    }
    for (std::wstring line : SplitText(text, L'\n')) {
        size_t before;
        do {
            before = line.size();
            line = Trim(Trim(Trim(line, L' '), L'\n'), L'\r');
        } while (!line.empty() && line.size() < before);
        if (!line.empty()) {
            entries.push_back(line);
        }
    }
    return entries;
}

const std::vector<std::wstring>& BuiltInSupportedModels() {
    static const std::vector<std::wstring> models = {
        L"fx 3150",        L"fx 4100",
        L"fx 4110",        L"fx 4120",
        L"fx 4130",        L"fx 4170",
        L"fx 4300",        L"fx 4320",
        L"fx 6100",        L"fx 6110",
        L"fx 6120",        L"fx 6130",
        L"fx 6200",        L"fx 6300",
        L"fx 6350",        L"fx 8100",
        L"fx 8110",        L"fx 8120",
        L"fx 8150",        L"fx 8170",
        L"fx 8320",        L"fx 8350",
        L"fx 9370",        L"fx 9590",
        L"Athlon x4 740",  L"Athlon x4 740 Quad",
        L"Athlon x4 740k", L"Athlon x4 750k",
        L"Athlon x4 760k", L"Athlon x4 860k",
        L"A4 4000",        L"A4 5150M",
        L"A4 5300",        L"A6 1450",
        L"A6 5200",        L"A6 5345",
        L"A6 5350M",       L"A6 5357M",
        L"A6 5400K",       L"A8 5500",
        L"A8 5545M",       L"A8 5550M",
        L"A8 5557M",       L"A8 5600K",
        L"A8 6500T",       L"A8 6600K",
        L"A10 5700",       L"A10 5745M",
        L"A10 5750M",      L"A10 5757M",
        L"A10 5800K",      L"A10 6700",
        L"A10 6700T",      L"A10 6790K",
        L"A10 6800K",      L"2585",
        L"a8 4500",        L"A8 7600",
    };
    return models;
}

std::vector<std::wstring> BuildSupportedModelList() {
    std::vector<std::wstring> list = ParseExtraModels(ReadExtraModelsFile());
    const std::vector<std::wstring>& builtIn = BuiltInSupportedModels();
    list.insert(list.end(), builtIn.begin(), builtIn.end());
    return list;
}

bool IsProcessorNameSupported(const std::wstring& processorName) {
    if (!ContainsText(L"AMD", processorName, true)) {
        return true;
    }
    for (const std::wstring& entry : BuildSupportedModelList()) {
        if (EntryMatches(entry, processorName)) {
            return true;
        }
    }
    return false;
}

bool IsProcessorSupported() {
    return IsProcessorNameSupported(GetProcessorName());
}
