#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vok {

struct CommandResult {
  int exitStatus = 0;  // 0 done, 1 failed, 2 misused
  std::string out;     // UTF-8 text for standard output
  std::string err;     // UTF-8 text for standard error
};

// Runs "vok c FOLDER" or "vok d NAME.vok", given the arguments after the
// program's name.
CommandResult RunCommand(const std::vector<std::filesystem::path>& arguments);

}  // namespace vok
