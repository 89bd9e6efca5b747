#include "binary_file.h"

#include <cerrno>
#include <random>
#include <system_error>

#include "path_text.h"
#include "vok_error.h"

namespace fs = std::filesystem;

namespace vok {
namespace {

std::FILE* OpenFile(const fs::path& path, bool forWriting) {
#ifdef _WIN32
  return _wfopen(path.c_str(), forWriting ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), forWriting ? "wb" : "rb");
#endif
}

std::string ErrorText(int error) {
  return std::generic_category().message(error);
}

}  // namespace

BinaryFile BinaryFile::OpenForReading(const fs::path& path) {
  errno = 0;
  std::FILE* file = OpenFile(path, false);
  if (file == nullptr) throw VokError("cannot open " + QuotedPath(path) + ": " + ErrorText(errno));
  return BinaryFile(file, path);
}

BinaryFile BinaryFile::CreateForWriting(const fs::path& path) {
  errno = 0;
  std::FILE* file = OpenFile(path, true);
  if (file == nullptr) {
    throw VokError("cannot create " + QuotedPath(path) + ": " + ErrorText(errno));
  }
  return BinaryFile(file, path);
}

BinaryFile::BinaryFile(std::FILE* file, fs::path path) : file_(file), path_(std::move(path)) {}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : file_(other.file_), path_(std::move(other.path_)) {
  other.file_ = nullptr;
}

BinaryFile::~BinaryFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void BinaryFile::Fail(const char* action, int error) const {
  throw VokError(std::string("cannot ") + action + " " + QuotedPath(path_) + ": " +
                 ErrorText(error));
}

std::size_t BinaryFile::Read(void* buffer, std::size_t size) {
  errno = 0;
  const std::size_t count = std::fread(buffer, 1, size, file_);
  if (count < size && std::ferror(file_)) Fail("read", errno);
  return count;
}

void BinaryFile::Write(const void* data, std::size_t size) {
  errno = 0;
  if (std::fwrite(data, 1, size, file_) != size) Fail("write", errno);
}

std::uint64_t BinaryFile::Position() {
  errno = 0;
#ifdef _WIN32
  const auto position = _ftelli64(file_);
#else
  const auto position = ftello(file_);
#endif
  if (position < 0) Fail("find the position in", errno);
  return static_cast<std::uint64_t>(position);
}

void BinaryFile::Seek(std::uint64_t offset) {
  errno = 0;
#ifdef _WIN32
  const int failed = _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET);
#else
  const int failed = fseeko(file_, static_cast<off_t>(offset), SEEK_SET);
#endif
  if (failed != 0) Fail("seek in", errno);
}

void BinaryFile::Close() {
  std::FILE* file = file_;
  file_ = nullptr;
  errno = 0;
  const bool flushed = std::fflush(file) == 0;
  const int flushError = errno;
  if (std::fclose(file) != 0 || !flushed) Fail("write", flushed ? errno : flushError);
}

fs::path UnusedSiblingPath(const fs::path& path, const std::string& suffix) {
  static std::random_device seed;
  static std::mt19937 random(seed());
  // A folder that can't be listed gives "none" for every name: give up then.
  for (int attempt = 0; attempt < 100; ++attempt) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(random() & 0xFFFFFFFFu));
    fs::path candidate = path;
    candidate += std::string(".") + hex + suffix;
    std::error_code error;
    if (fs::symlink_status(candidate, error).type() == fs::file_type::not_found) return candidate;
  }
  throw VokError("cannot find an unused name beside " + QuotedPath(path));
}

}  // namespace vok
