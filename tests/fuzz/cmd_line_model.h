#pragma once

#include <string>
#include <vector>

namespace vok::test {

// What cmd.exe makes of one line of a batch script that starts with a program
// name, with delayed expansion off (the default).
struct CmdReading {
  // The command line cmd.exe hands to the program: %% read as %, escaping
  // carets removed, quotes kept, cut at the first bare command operator.
  std::string commandLine;
  bool lonePercent = false;   // a % that is not half of %%: cmd.exe expands or drops it
  bool bareCaret = false;     // a ^ outside quotes: cmd.exe drops it and escapes the next one
  bool bareOperator = false;  // & | < > outside quotes: a second command or a redirection
  bool lineBreak = false;     // CR or LF: the rest is read as another line
};

// Reads `line` (the script's bytes without the final CR LF) as cmd.exe does:
// first the % pass over the whole line, then the pass where " toggles
// quoting and, outside quotes, ^ escapes the next character and & | < > end
// the command.
CmdReading ReadBatchLine(const std::string& line);

// The arguments a program built with the Microsoft C runtime receives for
// `commandLine`, its own name first. Blanks and tabs separate arguments
// outside quotes; 2n backslashes and a quote give n backslashes and toggle
// quoting, 2n+1 backslashes and a quote give n backslashes and a literal
// quote; other backslashes are literal. The program name ends at the first
// blank outside quotes and takes no backslash escapes.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace vok::test
