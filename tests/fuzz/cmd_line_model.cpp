#include "cmd_line_model.h"

namespace vok::test {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsCommandOperator(char c) {
  return c == '&' || c == '|' || c == '<' || c == '>';
}

// The line up to its first CR or LF: cmd.exe reads what follows as another line.
std::string FirstLine(const std::string& line, CmdReading& reading) {
  const std::size_t end = line.find_first_of("\r\n");
  if (end == std::string::npos) return line;
  reading.lineBreak = true;
  return line.substr(0, end);
}

// The % pass: %% is one literal %; any other % starts an expansion, which
// the model drops after noting it.
std::string ExpandPercents(const std::string& text, CmdReading& reading) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      reading.lonePercent = true;
    }
  }
  return out;
}

// The pass that finds the command's end: quotes toggle, and outside quotes a
// caret escapes the next character (at the line's end it continues the line)
// while an operator ends the command.
std::string CutAtOperators(const std::string& text, CmdReading& reading) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '^') {
      reading.bareCaret = true;
      if (++i < text.size()) out += text[i];
      continue;
    } else if (!quoted && IsCommandOperator(c)) {
      reading.bareOperator = true;
      break;
    }
    out += c;
  }
  return out;
}

// The program name: quotes toggle and are removed, a blank outside them ends it.
std::string ReadProgramName(const std::string& text, std::size_t& pos) {
  std::string name;
  bool quoted = false;
  for (; pos < text.size() && (quoted || !IsBlank(text[pos])); ++pos) {
    if (text[pos] == '"') {
      quoted = !quoted;
    } else {
      name += text[pos];
    }
  }
  return name;
}

// Reads a run of backslashes at `pos` and the quote after it, if any, by the
// C runtime's rule: appends to `arg`, and toggles `quoted` for a quote that
// is not escaped.
void ReadBackslashesAndQuote(const std::string& text, std::size_t& pos, std::string& arg,
                             bool& quoted) {
  std::size_t count = 0;
  while (pos < text.size() && text[pos] == '\\') {
    ++count;
    ++pos;
  }
  if (pos == text.size() || text[pos] != '"') {
    arg.append(count, '\\');
    return;
  }
  arg.append(count / 2, '\\');
  if (count % 2 == 1) {
    arg += '"';
  } else {
    quoted = !quoted;
  }
  ++pos;
}

std::string ReadArgument(const std::string& text, std::size_t& pos) {
  std::string arg;
  bool quoted = false;
  while (pos < text.size() && (quoted || !IsBlank(text[pos]))) {
    if (text[pos] == '\\' || text[pos] == '"') {
      ReadBackslashesAndQuote(text, pos, arg, quoted);
    } else {
      arg += text[pos++];
    }
  }
  return arg;
}

}  // namespace

CmdReading ReadBatchLine(const std::string& line) {
  CmdReading reading;
  const std::string expanded = ExpandPercents(FirstLine(line, reading), reading);
  reading.commandLine = CutAtOperators(expanded, reading);
  return reading;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::size_t pos = 0;
  std::vector<std::string> args = {ReadProgramName(commandLine, pos)};
  for (;;) {
    while (pos < commandLine.size() && IsBlank(commandLine[pos])) ++pos;
    if (pos == commandLine.size()) return args;
    args.push_back(ReadArgument(commandLine, pos));
  }
}

}  // namespace vok::test
