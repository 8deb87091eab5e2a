#pragma once
// Whether the installed product runs on this processor: every non-AMD processor does, AMD
// processors only when a supported model entry matches their name.
#include <string>
#include <vector>

// The file in the working directory that can add supported models, one per line.
extern const wchar_t kExtraModelsFile[];

// Check for the processor of this machine.
bool IsProcessorSupported();
// Check for the given processor name; reads kExtraModelsFile again at every call.
bool IsProcessorNameSupported(const std::wstring& processorName);

// Entries of kExtraModelsFile (trimmed, blank lines dropped) followed by the built-in ones.
std::vector<std::wstring> BuildSupportedModelList();
// The built-in entries, in their order.
const std::vector<std::wstring>& BuiltInSupportedModels();
// Entries found in the text of an extra-models file.
std::vector<std::wstring> ParseExtraModels(const std::wstring& text);

// True when needle (blanks trimmed from both ends) occurs in haystack; without caseSensitive
// both are compared in upper case. An empty needle always occurs.
bool ContainsText(const std::wstring& needle, const std::wstring& haystack, bool caseSensitive);
// Cuts text after each separator; every piece but the last keeps its separator.
std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator);
