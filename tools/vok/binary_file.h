#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vok {

// A file read or written in binary, whose failures throw VokError naming it.
// Offsets are 64-bit on every platform, for files past 4 GiB.
class BinaryFile {
 public:
  static BinaryFile OpenForReading(const std::filesystem::path& path);
  // Creates the file, or empties it if it exists.
  static BinaryFile CreateForWriting(const std::filesystem::path& path);

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&&) = delete;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  ~BinaryFile();  // closes without reporting: call Close() to learn of failures

  // Reads up to `size` bytes; fewer only at the end of the file.
  std::size_t Read(void* buffer, std::size_t size);
  void Write(const void* data, std::size_t size);
  void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
  std::uint64_t Position();
  void Seek(std::uint64_t offset);
  // Flushes and closes; a write that failed late (disk full) shows here.
  void Close();

 private:
  BinaryFile(std::FILE* file, std::filesystem::path path);
  [[noreturn]] void Fail(const char* action, int error) const;

  std::FILE* file_;
  std::filesystem::path path_;
};

// A name beside `path` that nothing has yet: "<path>.<random hex><suffix>",
// for work that is renamed into place only once complete.
std::filesystem::path UnusedSiblingPath(const std::filesystem::path& path,
                                        const std::string& suffix);

}  // namespace vok
