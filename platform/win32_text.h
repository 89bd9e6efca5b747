#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vok {

// UTF-8 <-> UTF-16. Invalid input converts with replacement characters.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// The text in `codePage` when every character has an exact equivalent
// there; nothing when some character would be dropped or replaced by a
// look-alike (best fit would turn a fullwidth quote into a real one).
std::optional<std::string> WideToCodePageExactly(const std::wstring& text, UINT codePage);

// The Windows system folder (System32), or "" with the error left for
// GetLastError.
std::wstring SystemFolder();

// The system's message for a Win32 error code, as UTF-8, without the final
// line break.
std::string SystemErrorText(DWORD error);

}  // namespace vok
