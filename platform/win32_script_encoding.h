#pragma once

// The bytes of a script line, and the text of what a script's console
// programs wrote, in the code page of the script's console.
#include <windows.h>

#include <optional>
#include <string>

namespace vok {

// The text's bytes in the code page its console's cmd.exe will read it in,
// or nothing when they are not certain, or when a tool built as an ANSI
// program would not get the text exactly in `toolCodePage`.
std::optional<std::string> EncodeForConsole(const std::string& text, UINT toolCodePage);

// Bytes a script's console programs wrote, in the code page the console has
// as far as it can be known, as UTF-8.
std::string DecodeFromConsole(const std::string& bytes);

}  // namespace vok
