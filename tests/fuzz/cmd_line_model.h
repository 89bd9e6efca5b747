#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace vok::test {

// What cmd.exe makes of one line of a batch script that starts with a program
// name, with delayed expansion off.
struct CmdReading {
  std::string commandLine;    // what the program gets: %% as %, escaping ^ gone, cut at & | < >
  bool lonePercent = false;   // a % that is not half of %%: cmd.exe expands or drops it
  bool bareCaret = false;     // a ^ outside quotes: dropped, and it escapes the next character
  bool bareOperator = false;  // & | < > outside quotes: a second command or a redirection
  bool lineBreak = false;     // CR or LF: what follows is read as another line
};

// Reads a script line (its bytes without the final CR LF) as cmd.exe does:
// the % pass over the whole line first, then the pass where " toggles quoting
// and, outside quotes, ^ escapes the next character and & | < > end the command.
inline CmdReading ReadBatchLine(std::string line) {
  CmdReading reading;
  reading.lineBreak = line.find_first_of("\r\n") != std::string::npos;
  line = line.substr(0, line.find_first_of("\r\n"));
  std::string expanded;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const bool doubled = line.compare(i, 2, "%%") == 0;
    reading.lonePercent |= line[i] == '%' && !doubled;
    if (line[i] != '%' || doubled) expanded += line[i];
    i += doubled;
  }
  bool quoted = false;
  for (std::size_t i = 0; i < expanded.size(); ++i) {
    quoted ^= expanded[i] == '"';
    if (!quoted && std::string_view("&|<>").find(expanded[i]) != std::string_view::npos) {
      reading.bareOperator = true;
      break;
    }
    const bool caret = !quoted && expanded[i] == '^';
    reading.bareCaret |= caret;
    if (caret && ++i == expanded.size()) break;
    reading.commandLine += expanded[i];
  }
  return reading;
}

// The arguments a program built with the Microsoft C runtime gets for a
// command line, its own name first. Blanks and tabs separate arguments
// outside quotes; 2n backslashes and a quote give n backslashes and toggle
// quoting, 2n+1 give n and a literal quote; other backslashes are literal.
// The program name ends at the first blank outside quotes and takes no escapes.
inline std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  bool quoted = false, between = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (!quoted && (line[i] == ' ' || line[i] == '\t')) {
      between = true;
      continue;
    }
    if (between) args.emplace_back();
    between = false;
    const std::size_t run = std::min(line.find_first_not_of('\\', i), line.size()) - i;
    if (args.size() == 1 || i + run == line.size() || line[i + run] != '"') {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] != '"') args.back() += line[i];
      continue;
    }
    args.back().append(run / 2, '\\');  // backslashes before a quote
    if (run % 2 == 1) args.back() += '"';
    if (run % 2 == 0) quoted = !quoted;
    i += run;
  }
  return args;
}

}  // namespace vok::test
