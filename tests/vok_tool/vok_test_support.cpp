#include "vok_test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "crc32.h"
#include "path_text.h"

namespace fs = std::filesystem;

namespace vok::tool_test {
namespace {

void AppendLittleEndian(std::string& out, std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) out += static_cast<char>(value >> (8 * i));
}

}  // namespace

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(Utf8ToPath(path), std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(Utf8ToPath(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::symlink_status(Utf8ToPath(path), ignored).type() != fs::file_type::not_found;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Utf8ToPath(folder))) {
    names.push_back(PathToUtf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void MakeTree(const std::string& root, const Tree& tree) {
  fs::create_directories(Utf8ToPath(root));
  for (const auto& [path, contents] : tree) {
    const fs::path full = Utf8ToPath(root + "/" + path);
    fs::create_directories(path.back() == '/' ? full : full.parent_path());
    if (path.back() != '/') WriteFile(root + "/" + path, contents);
  }
}

Tree ReadTree(const std::string& root) {
  Tree tree;
  const fs::path base = Utf8ToPath(root);
  for (const auto& entry : fs::recursive_directory_iterator(base)) {
    std::string path = PathToUtf8(entry.path().lexically_relative(base));
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    if (entry.is_directory()) {
      tree[path + "/"] = "";
    } else {
      tree[path] = ReadFile(root + "/" + path);
    }
  }
  return tree;
}

CommandResult Vok(const std::string& letter, const std::string& argument) {
  return RunCommand({Utf8ToPath(letter), Utf8ToPath(argument)});
}

ArchiveBytes::ArchiveBytes(const std::string& magic, std::uint32_t version) : bytes_(magic) {
  AppendLittleEndian(bytes_, version, 4);
}

ArchiveBytes& ArchiveBytes::File(const std::string& path, const std::string& data) {
  return Entry(1, path, data.size(), Crc32Of(data), data);
}

ArchiveBytes& ArchiveBytes::Entry(std::uint8_t kind, const std::string& path, std::uint64_t size,
                                  std::uint32_t crc, const std::string& data) {
  bytes_ += static_cast<char>(kind);
  AppendLittleEndian(bytes_, path.size(), 4);
  bytes_ += path;
  AppendLittleEndian(bytes_, size, 8);
  AppendLittleEndian(bytes_, crc, 4);
  bytes_ += data;
  return *this;
}

std::uint32_t Crc32Of(const std::string& bytes) {
  Crc32 crc;
  crc.Update(bytes.data(), bytes.size());
  return crc.Value();
}

}  // namespace vok::tool_test
