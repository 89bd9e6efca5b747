#include "path_text.h"

#include <cstdio>

namespace fs = std::filesystem;

namespace vok {
namespace {

// The length of the UTF-8 sequence starting at `text[at]`, or 0 when it is
// malformed, overlong, a surrogate or beyond U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

void AppendEscaped(std::string& out, unsigned char byte) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
  out += escaped;
}

}  // namespace

std::string PathToUtf8(const fs::path& path) {
#ifdef __cpp_char8_t
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.u8string();
#endif
}

fs::path Utf8ToPath(std::string_view text) {
#ifdef __cpp_char8_t
  return fs::path(std::u8string(text.begin(), text.end()));
#else
  return fs::u8path(text.begin(), text.end());
#endif
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string Quoted(std::string_view text) {
  const bool valid = IsValidUtf8(text);
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !valid)) {
      AppendEscaped(out, byte);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string QuotedPath(const fs::path& path) {
  return Quoted(PathToUtf8(path));
}

}  // namespace vok
