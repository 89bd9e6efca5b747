#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "command.h"
#include "scratch_dir.h"

namespace vok::tool_test {

using vok::test::ScratchDir;

// All paths below are UTF-8, relative to the working directory.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> ListFolder(const std::string& folder = ".");

// A folder tree: relative paths with '/' mapped to file contents; a folder is
// a path ending in '/' mapped to "".
using Tree = std::map<std::string, std::string>;
void MakeTree(const std::string& root, const Tree& tree);
Tree ReadTree(const std::string& root);

// Runs "vok LETTER ARGUMENT" in this process.
CommandResult Vok(const std::string& letter, const std::string& argument);

// Archive bytes put together by hand after FORMAT.md, to make archives the
// tool itself would never write.
class ArchiveBytes {
 public:
  explicit ArchiveBytes(const std::string& magic = "\x89VOK\r\n\x1A\n", std::uint32_t version = 1);
  ArchiveBytes& File(const std::string& path, const std::string& data);
  ArchiveBytes& Folder(const std::string& path) { return Entry(2, path, 0, 0, ""); }
  ArchiveBytes& Entry(std::uint8_t kind, const std::string& path, std::uint64_t size,
                      std::uint32_t crc, const std::string& data);
  std::string End() const { return bytes_ + '\0'; }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

std::uint32_t Crc32Of(const std::string& bytes);

}  // namespace vok::tool_test
