#pragma once
// Conversions between the narrow texts (ANSI code page, or plain ASCII) and wide texts.
#include <string>

// Wide text in the thread's ANSI code page; "" when it cannot be converted.
std::string WideToAnsi(const std::wstring& text);

// Each byte widened to one UTF-16 unit: for ASCII texts such as host names and URLs.
std::wstring WidenBytes(const std::string& text);

// Each UTF-16 unit narrowed to one byte: what some log lines do with paths.
std::string NarrowUnits(const std::wstring& text);
