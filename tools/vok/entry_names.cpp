#include "entry_names.h"

#include "archive_format.h"
#include "path_text.h"

namespace vok {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// Windows maps these names to devices whatever the extension, and ignores
// spaces before the extension: "nul .txt" is the device too.
bool IsReservedDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = AsciiUpper(base);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
      upper == "CONOUT$") {
    return true;
  }
  const std::string_view prefix = std::string_view(upper).substr(0, 3);
  if (prefix != "COM" && prefix != "LPT") return false;
  const std::string_view number = std::string_view(upper).substr(3);
  // Windows also reserves COM and LPT with a superscript 1, 2 or 3.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

std::string NameProblem(std::string_view name) {
  if (name.empty()) return "empty names are not allowed";
  if (name == "." || name == "..") return "\".\" and \"..\" are not allowed as names";
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return "control characters are not allowed in names";
    if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
      return std::string("'") + c + "' is not allowed in names on Windows";
    }
  }
  if (name.back() == '.' || name.back() == ' ') {
    return "names may not end in a dot or a space on Windows";
  }
  if (IsReservedDeviceName(name)) return Quoted(name) + " is a reserved device name on Windows";
  return {};
}

}  // namespace

std::string EntryPathProblem(std::string_view path) {
  if (path.empty()) return "the path is empty";
  if (path.size() > kMaxEntryPathBytes) return "the path is too long";
  if (!IsValidUtf8(path)) return "the path is not valid UTF-8";
  if (path.front() == '/') return "absolute paths are not allowed";
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    return "drive letters are not allowed";
  }
  if (path.find('\\') != std::string_view::npos) return "backslashes are not allowed";
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find('/', start);
    const std::string problem = NameProblem(path.substr(start, end - start));
    if (!problem.empty() || end == std::string_view::npos) return problem;
    start = end + 1;
  }
}

}  // namespace vok
