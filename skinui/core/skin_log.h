#pragma once
// The framework's error lines, in the installer's log format on standard output (which the
// installer reopens on its log file): "HH:MM:SS[pid.tid] E/SkinUI -- what name (detail): why".

namespace SkinUI {

void LogSkinError(const wchar_t* what, const wchar_t* name, const wchar_t* detail,
                  const wchar_t* why);

}  // namespace SkinUI
