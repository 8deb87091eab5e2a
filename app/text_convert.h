#pragma once
// Conversions between UTF-16 (wide texts), UTF-8, the thread's ANSI code page, and plain ASCII.
// Every code-page conversion outside skinui/ goes through here: whole texts (embedded NULs
// included), no flags (so a character the target cannot hold becomes the code page's default
// character, and invalid input is replaced or dropped, never fatal), and "" when Windows refuses.
#include <string>

// Wide text in the thread's ANSI code page; "" when it cannot be converted.
std::string WideToAnsi(const std::wstring& text);
// ANSI code page text widened; "" when it cannot be converted.
std::wstring AnsiToWide(const std::string& text);

// UTF-8 to wide text and back; "" when it cannot be converted.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// UTF-8 to the ANSI code page, through UTF-16.
inline std::string Utf8ToAnsi(const std::string& text) {
    return WideToAnsi(Utf8ToWide(text));
}

// Each byte widened to one UTF-16 unit: for ASCII texts such as host names and URLs.
std::wstring WidenBytes(const std::string& text);

// Each UTF-16 unit narrowed to one byte: what some log lines do with paths.
std::string NarrowUnits(const std::wstring& text);
