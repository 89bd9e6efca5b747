#pragma once

#include <string>

#include "job_platform.h"

namespace vok {

// What a failure's box shows of the script's standard error: its last lines,
// at most 10 and about 1,000 characters, cut at a line's start, after a line
// saying that earlier lines were left out when there were any. The bytes are
// read as UTF-8 when they are, else in the code page of the script's console;
// control characters other than tabs and line breaks show as U+FFFD. Empty
// when the script wrote nothing but blanks there.
std::string ErrorTextOf(const ScriptEnd& end, const JobPlatform& platform);

}  // namespace vok
