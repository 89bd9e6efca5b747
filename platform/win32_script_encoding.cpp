#include "win32_script_encoding.h"

#include <algorithm>

#include "win32_console_settings.h"
#include "win32_text.h"

namespace vok {

// cmd.exe decodes the script in its console's code page and hands the tool a
// Unicode command line; a tool built as an ANSI program gets it converted to
// the ANSI code page with best fit ("α" as "a"). A name reaches every tool
// as typed only when the ANSI code page holds it exactly and its bytes are
// the same in every code page the console may have.
std::optional<std::string> EncodeForConsole(const std::string& text, UINT toolCodePage) {
  const std::wstring wide = Utf8ToWide(text);
  if (!WideToCodePageExactly(wide, toolCodePage)) return std::nullopt;
  const ConsoleCodePages pages = PossibleConsoleCodePages(ReadConsoleSettings());
  if (pages.unknown && std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; })) {
    return std::nullopt;
  }
  std::optional<std::string> bytes = text;  // ASCII, where no code page is known
  for (std::size_t i = 0; i < pages.possible.size(); ++i) {
    const auto encoded = WideToCodePageExactly(wide, pages.possible[i]);
    if (!encoded || (i > 0 && encoded != bytes)) return std::nullopt;
    bytes = encoded;
  }
  return bytes;
}

// A name is written only where every possible code page gives the same
// bytes, so the first one reads what the tools wrote.
std::string DecodeFromConsole(const std::string& bytes) {
  const ConsoleCodePages pages = PossibleConsoleCodePages(ReadConsoleSettings());
  const UINT codePage = pages.possible.empty() ? GetOEMCP() : pages.possible.front();
  const int size = static_cast<int>(bytes.size());
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), size)));
  return WideToUtf8(wide);
}

}  // namespace vok
