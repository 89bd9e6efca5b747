#pragma once

#include <cstdint>
#include <vector>

namespace vok {

// One CodePage value of the user's console settings, as the registry gave it.
struct CodePageSetting {
  enum class State { kAbsent, kNumber, kUnreadable };
  State state = State::kAbsent;
  std::uint32_t number = 0;
  bool installed = false;  // the number names a code page this system converts
};

// What decides the code page of a new console: the system's OEM code page,
// the CodePage value for every console and the one for the console's title,
// and whether the user chose the classic console host as the terminal (any
// other terminal that takes a new console over ignores these values).
struct ConsoleSettings {
  std::uint32_t oem = 0;
  CodePageSetting forAll, forTitle;
  bool classicHost = false;
};

// The code pages a new console may read a script in, and `unknown` when one
// more may apply that cannot be named (then only ASCII reads the same in all).
struct ConsoleCodePages {
  std::vector<std::uint32_t> possible;  // each once, in no set order
  bool unknown = false;
};

// The console host reads the title's value, or else the value for every
// console (where an East Asian code page other than the OEM one becomes the
// OEM one); Windows releases have been seen to ignore the value for every
// console, and a value that names no code page leaves the console's code
// page unknown.
ConsoleCodePages PossibleConsoleCodePages(const ConsoleSettings& settings);

}  // namespace vok
