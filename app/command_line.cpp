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

// Keeps the first fault; the rest of the line is still read, so /S and /LOG= are known either
// way.
void Fail(CommandLine* result, const std::wstring& error) {
    if (result->ok) {
        result->ok = false;
        result->error = error;
    }
}

bool IsSilentSwitch(const std::wstring& word) {
    const std::wstring name = Lower(word);
    return name == L"/s" || name == L"-s";
}

// /S as a word anywhere on the line, quotes dropped: also inside a /D= value, which takes the
// rest of the line, and after a switch that made the line unusable.
bool HasSilentWord(const std::wstring& text) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (IsBlank(text[pos])) {
            ++pos;
        } else if (IsSilentSwitch(NextArgument(text, &pos))) {
            return true;
        }
    }
    return false;
}

// The folder's last word is /S: the administrator put /S after /D=.
bool EndsWithSilentWord(const std::wstring& folder) {
    const size_t blank = folder.find_last_of(L" \t");
    return blank != std::wstring::npos && IsSilentSwitch(folder.substr(blank + 1));
}

void ParseInto(const std::wstring& text, CommandLine& result);

}  // namespace

CommandLine ParseSwitches(const std::wstring& text) {
    CommandLine result;
    ParseInto(text, result);
    // Whatever else is wrong, a line that asks for silence shows nothing.
    result.silent = result.silent || HasSilentWord(text);
    return result;
}

namespace {
void ParseInto(const std::wstring& text, CommandLine& result) {
    size_t pos = 0;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
        if (pos >= text.size()) {
            return;
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
                    return;
                }
            }
            if (folder.empty()) {
                Fail(&result, L"/D= without a folder");
                return;
            }
            if (EndsWithSilentWord(folder)) {
                Fail(&result,
                     L"/D= takes the rest of the line, so /S after it became part of the "
                     L"folder: put /S before /D=");
            }
            result.hasFolder = true;
            result.folder = folder;
            return;
        }
        const size_t start = pos;
        const std::wstring argument = NextArgument(text, &pos);
        const std::wstring name = Lower(argument);
        if (IsSilentSwitch(name)) {
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
}  // namespace

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
