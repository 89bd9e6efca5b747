#include "error_text.h"

#include <vector>

namespace vok {
namespace {

constexpr std::size_t kMaxLines = 10;
constexpr std::size_t kMaxCharacters = 1000;
constexpr const char* kLeftOut = "(earlier lines left out)";
constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (const char byte : utf8) count += !IsContinuation(byte);
  return count;
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The UTF-8 text's lines, split at CR LF, LF or a lone CR, with each control
// character other than a tab replaced: an escape sequence or a bell would
// otherwise reach the box as it is.
std::vector<std::string> VisibleLines(const std::string& utf8) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    if (byte == '\r' || byte == '\n') {
      if (byte == '\r' && next == '\n') ++i;
      lines.emplace_back();
    } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
      lines.back() += kReplacement;
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F
      lines.back() += kReplacement;
      ++i;
    } else {
      lines.back() += utf8[i];
    }
  }
  return lines;
}

}  // namespace

std::string ErrorTextOf(const ScriptEnd& end, const JobPlatform& platform) {
  std::string bytes = end.errorTail;
  bool leftOut = end.errorCut;
  // A tail read from within a line starts with the rest of that line, which
  // goes; a line longer than the whole tail loses at most the bytes of one
  // character instead.
  if (leftOut) {
    const std::size_t lineEnd = bytes.find_first_of("\r\n");
    if (lineEnd != std::string::npos && !IsBlank(bytes.substr(lineEnd))) {
      bytes.erase(0, lineEnd + 1);
    } else {
      while (!bytes.empty() && IsContinuation(bytes[0])) bytes.erase(0, 1);
    }
  }
  std::vector<std::string> lines =
      VisibleLines(IsValidUtf8(bytes) ? bytes : platform.DecodeConsoleText(bytes));
  while (!lines.empty() && IsBlank(lines.back())) lines.pop_back();
  std::size_t first = 0;
  while (first < lines.size() && IsBlank(lines[first])) ++first;
  if (first == lines.size()) return {};

  // The last lines that fit, at least the end of the last one.
  std::size_t shown = 0, characters = 0;
  while (shown < lines.size() - first && shown < kMaxLines) {
    const std::size_t more = CharacterCount(lines[lines.size() - 1 - shown]);
    if (characters + more > kMaxCharacters) break;
    characters += more;
    ++shown;
  }
  if (shown == 0) {
    std::string& last = lines.back();
    std::size_t from = last.size();
    for (std::size_t kept = 0; kept < kMaxCharacters; ++kept) {
      do --from;
      while (IsContinuation(last[from]));
    }
    last.erase(0, from);
    shown = 1;
    leftOut = true;
  }
  leftOut |= shown < lines.size() - first;
  std::string text = leftOut ? kLeftOut : "";
  for (std::size_t i = lines.size() - shown; i < lines.size(); ++i) {
    text += (text.empty() ? "" : "\n") + lines[i];
  }
  return text;
}

}  // namespace vok
