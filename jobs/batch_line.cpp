#include "batch_line.h"

namespace vok {
namespace {

constexpr std::size_t kCommandWidth = 14;

// Characters that cmd.exe treats specially outside double quotes, or that
// split the tool's command line into several arguments.
constexpr const char* kNeedsQuoting = " \t&|<>^(),;=";

bool IsControlCharacter(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

std::size_t TrailingBackslashes(const std::string& text) {
  std::size_t count = 0;
  for (auto it = text.rbegin(); it != text.rend() && *it == '\\'; ++it) ++count;
  return count;
}

}  // namespace

bool HasUnsafeCharacter(const std::string& text) {
  for (char c : text) {
    if (c == '"' || IsControlCharacter(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

std::string QuoteToolArgument(const std::string& argument) {
  const bool quoted = argument.find_first_of(kNeedsQuoting) != std::string::npos;
  std::string out;
  out.reserve(argument.size() + 8);
  if (quoted) out += '"';
  for (char c : argument) {
    // cmd.exe expands % even inside quotes; %% stands for one literal %.
    if (c == '%') out += '%';
    out += c;
  }
  if (quoted) {
    // The C runtime reads backslashes before a quote as escapes: double a
    // trailing run so that the closing quote still closes the argument.
    out.append(TrailingBackslashes(argument), '\\');
    out += '"';
  }
  return out;
}

std::string ComposeBatchLine(const JobKind& job, const std::string& name) {
  std::string line = job.commandText;
  line.resize(kCommandWidth, ' ');
  line += QuoteToolArgument(name + job.suffix);
  return line;
}

}  // namespace vok
