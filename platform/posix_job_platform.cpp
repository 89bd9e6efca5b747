#include "posix_job_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace vok {
namespace {

[[noreturn]] void ThrowErrno(const char* operation, const std::string& fileName) {
  throw PlatformError(operation, fileName, std::strerror(errno));
}

// The same file, with the same last change and size.
bool SameAsWritten(const struct stat& now, const struct stat& written) {
  return now.st_dev == written.st_dev && now.st_ino == written.st_ino &&
         now.st_size == written.st_size && now.st_mtim.tv_sec == written.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == written.st_mtim.tv_nsec;
}

}  // namespace

PosixJobPlatform::PosixJobPlatform(Starter starter) : starter_(std::move(starter)) {}

PosixJobPlatform::~PosixJobPlatform() {
  slots_.ForEach([](int, int fd) { ::close(fd); });
}

std::optional<std::string> PosixJobPlatform::EncodeForScript(const std::string& text) const {
  if (!IsValidUtf8(text)) return std::nullopt;
  return text;
}

// A link is opened itself, never followed: its target, wherever it points,
// is neither created nor changed.
void PosixJobPlatform::OpenForAppend(int slot, const std::string& fileName) {
  int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0 && errno == ELOOP) fd = ::open(fileName.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) ThrowErrno("open", fileName);
  slots_.Put(slot, fileName, fd);
}

void PosixJobPlatform::CreateNew(int slot, const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) ThrowErrno("create", fileName);
  slots_.Put(slot, fileName, fd);
}

void PosixJobPlatform::WriteLine(int slot, const std::string& text) {
  const std::string& fileName = slots_.NameOf(slot);
  auto encoded = EncodeForScript(text);
  if (!encoded) throw PlatformError("write", fileName, "the text is not valid UTF-8");
  const std::string bytes = *encoded + "\r\n";
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(slots_.HandleOf(slot), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowErrno("write", fileName);
    done += static_cast<std::size_t>(n);
  }
  if (::fstat(slots_.HandleOf(slot), &written_[fileName]) != 0) ThrowErrno("write", fileName);
}

void PosixJobPlatform::Close(int slot) {
  if (!slots_.Has(slot)) return;
  const std::string fileName = slots_.NameOf(slot);
  const int fd = slots_.Take(slot);
  if (::close(fd) != 0) ThrowErrno("close", fileName);
}

void PosixJobPlatform::Delete(const std::string& fileName) {
  if (::unlink(fileName.c_str()) != 0) ThrowErrno("delete", fileName);
}

void PosixJobPlatform::DeleteIfWritten(const std::string& fileName) {
  const auto written = written_.find(fileName);
  struct stat now {};
  if (written == written_.end() || ::lstat(fileName.c_str(), &now) != 0) return;
  if (!SameAsWritten(now, written->second)) return;
  if (::unlink(fileName.c_str()) != 0 && errno != ENOENT) ThrowErrno("delete", fileName);
}

std::string PosixJobPlatform::WorkingFolder() const {
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer)) ThrowErrno("find", ".");
  return buffer;
}

PathKind PosixJobPlatform::KindOf(const std::string& path) const {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return PathKind::kMissing;
  return S_ISDIR(status.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

// Windows ignores case in paths; this layer stands in for it with ASCII.
bool PosixJobPlatform::SameIgnoringCase(const std::string& a, const std::string& b) const {
  const auto upper = [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return upper(x) == upper(y); });
}

Reservation PosixJobPlatform::ReserveScript(const std::string&) {
  return Reservation::kReserved;
}

int PosixJobPlatform::Start(const std::string& fileName) {
  if (!starter_) throw PlatformError("start", fileName, "no command interpreter for scripts");
  starter_(fileName);
  return ++runs_;
}

std::vector<ScriptEnd> PosixJobPlatform::TakeEndedScripts() {
  return {};
}

// Bytes that are not UTF-8 are read as Latin-1, where each byte is a character.
std::string PosixJobPlatform::DecodeConsoleText(const std::string& bytes) const {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | byte >> 6);
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

}  // namespace vok
