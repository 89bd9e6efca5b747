#pragma once

#include <cstddef>
#include <string>

#include "job_kind.h"

namespace vok {

// cmd.exe reads at most this many characters of a script line; past that it
// splits or drops characters, which could turn the rest into a command.
constexpr std::size_t kMaxScriptLineLength = 8191;

// True when the UTF-8 text holds a character that no quoting can pass safely
// through cmd.exe: a double quote, or a control character (a lone CR already
// ends a line for some command interpreters).
bool HasUnsafeCharacter(const std::string& text);

// The argument as it must stand on a script line so that the tool receives it
// as exactly one argument equal to `argument`. Expects no unsafe character.
std::string QuoteToolArgument(const std::string& argument);

// The script's line without its CR LF: the command text padded to 14
// characters, then the typed name with the job's suffix, quoted as needed.
std::string ComposeBatchLine(const JobKind& job, const std::string& name);

}  // namespace vok
