#include "app/command_line.h"

#include <cwctype>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

bool StartsWithNoCase(const std::wstring& text, size_t at, const std::wstring& prefix) {
    return text.size() - at >= prefix.size() && Lower(text.substr(at, prefix.size())) == prefix;
}

// A switch name at `at` ('/' or '-' then the name, case-insensitive).
bool SwitchAt(const std::wstring& text, size_t at, const std::wstring& name) {
    return at < text.size() && (text[at] == L'/' || text[at] == L'-') &&
           StartsWithNoCase(text, at + 1, name);
}

// One argument from `pos` on: up to the next blank outside quotes, the quotes removed.
std::wstring NextArgument(const std::wstring& text, size_t* pos) {
    std::wstring out;
    bool quoted = false;
    size_t i = *pos;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            out += c;
        }
    }
    *pos = i;
    return out;
}

// Keeps the first fault; the rest of the line is still read, so /S is known either way.
void Fail(CommandLine* result, const std::wstring& error) {
    if (result->ok) {
        result->ok = false;
        result->error = error;
    }
}

}  // namespace

CommandLine ParseSwitches(const std::wstring& text) {
    CommandLine result;
    size_t pos = 0;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
        if (pos >= text.size()) {
            return result;
        }
        // A launcher may quote the whole switch ("/D=C:\My Apps"): the quotes are dropped.
        const bool quoted = text[pos] == L'"';
        if (SwitchAt(text, pos + (quoted ? 1 : 0), L"d=")) {
            // The rest of the line, as the setup packages read it.
            std::wstring folder = text.substr(pos + (quoted ? 4 : 3));
            while (!folder.empty() && IsBlank(folder.back())) {
                folder.pop_back();
            }
            if (quoted && !folder.empty() && folder.back() == L'"') {
                folder.pop_back();
            }
            for (size_t i = 0; i + 1 < folder.size(); ++i) {
                if (IsBlank(folder[i]) && SwitchAt(folder, i + 1, L"d=")) {
                    Fail(&result, L"/D= given twice");
                    return result;
                }
            }
            if (folder.empty()) {
                Fail(&result, L"/D= without a folder");
                return result;
            }
            result.hasFolder = true;
            result.folder = folder;
            return result;
        }
        const size_t start = pos;
        const std::wstring argument = NextArgument(text, &pos);
        const std::wstring name = Lower(argument);
        if (name == L"/s" || name == L"-s") {
            result.silent = true;
        } else if (name == L"/?" || name == L"-?" || name == L"/help" || name == L"-help") {
            result.usage = true;
        } else if (SwitchAt(argument, 0, L"log=")) {
            if (!result.logPath.empty()) {
                Fail(&result, L"/LOG= given twice");
            } else if (argument.size() == 5) {
                Fail(&result, L"/LOG= without a file");
            } else {
                result.logPath = argument.substr(5);
            }
        } else {
            Fail(&result, L"unknown switch: " + text.substr(start, pos - start));
        }
    }
}

CommandLine ParseCommandLine(const std::wstring& line) {
    size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    // The program name: quoted, or up to the first blank (no escapes, as Windows reads it).
    if (pos < line.size() && line[pos] == L'"') {
        const size_t close = line.find(L'"', pos + 1);
        pos = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        while (pos < line.size() && !IsBlank(line[pos])) {
            ++pos;
        }
    }
    return ParseSwitches(line.substr(pos));
}
