#pragma once

// Scratch folders and files by UTF-8 path, for every test suite.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vok::test {

inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::u8path(utf8);
}

// The file's bytes; nothing for a folder or a missing file.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(PathOf(path), std::ios::binary) << bytes;
}

// The names in a folder, sorted, less the recording tool and its log.
inline std::vector<std::string> ListFolder(const std::string& folder = ".") {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder))) {
    const auto name = entry.path().filename().u8string();
    if (name != "vok.exe" && name != "vok-calls.txt") names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The bytes of a table cell: \n \r \t \\ and \xNN escaped, (L) for the line
// that says earlier lines were left out.
inline std::string Unescape(const std::string& cell) {
  std::string bytes;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (cell.compare(i, 3, "(L)") == 0) {
      bytes += "(earlier lines left out)";
      i += 2;
    } else if (cell[i] != '\\') {
      bytes += cell[i];
    } else if (cell[++i] == 'x') {
      bytes += static_cast<char>(std::stoi(cell.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      bytes += cell[i] == 'n' ? '\n' : cell[i] == 'r' ? '\r' : cell[i] == 't' ? '\t' : cell[i];
    }
  }
  return bytes;
}

// The rows of a tab-separated table, less its comment lines; its cells
// unescaped unless they are `raw` (a backslash is then a backslash).
inline std::vector<std::vector<std::string>> TableRows(const std::string& path, std::size_t columns,
                                                       bool raw = false) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream table(ReadFile(path));
  for (std::string row; std::getline(table, row);) {
    if (row[0] == '#') continue;
    std::istringstream line(row);
    for (auto& cell : rows.emplace_back(columns)) {
      std::getline(line, cell, '\t');
      if (!raw) cell = Unescape(cell);
    }
  }
  return rows;
}

// A fresh, empty working folder for one test; the previous one is restored
// afterwards.
struct ScratchDir {
  static inline int count = 0;
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("vok-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
       "-" + std::to_string(++count));
  ScratchDir() { std::filesystem::create_directories(path), std::filesystem::current_path(path); }
  ~ScratchDir() {
    std::filesystem::current_path(previous);
    std::error_code ignored;  // a script still running may hold a file for a moment
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace vok::test
