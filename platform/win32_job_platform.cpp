#include "win32_job_platform.h"

#include <utility>

#include "win32_file_identity.h"
#include "win32_script_encoding.h"
#include "win32_text.h"

namespace vok {
namespace {

[[noreturn]] void Throw(const char* operation, const std::string& fileName, DWORD error) {
  throw PlatformError(operation, fileName, SystemErrorText(error));
}

ULONGLONG SizeOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return ULONGLONG{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
}

}  // namespace

Win32JobPlatform::Win32JobPlatform() : toolCodePage_(GetACP()) {}

std::optional<std::string> Win32JobPlatform::EncodeForScript(const std::string& text) const {
  return EncodeForConsole(text, toolCodePage_);
}

void Win32JobPlatform::Open(int slot, const std::string& fileName, const char* operation,
                            DWORD access, DWORD creation, DWORD flags) {
  const std::wstring name = Utf8ToWide(fileName);
  UniqueFile file(
      CreateFileW(name.c_str(), access, FILE_SHARE_READ, nullptr, creation, flags, nullptr));
  if (!file) Throw(operation, fileName, GetLastError());
  slots_.Put(slot, fileName, std::move(file));
}

// A link is opened itself, never followed: its target, wherever it points,
// is neither created nor changed.
void Win32JobPlatform::OpenForAppend(int slot, const std::string& fileName) {
  Open(slot, fileName, "open", FILE_APPEND_DATA, OPEN_ALWAYS,
       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
}

void Win32JobPlatform::CreateNew(int slot, const std::string& fileName) {
  Open(slot, fileName, "create", GENERIC_WRITE | FILE_READ_ATTRIBUTES, CREATE_NEW,
       FILE_ATTRIBUTE_NORMAL);
}

void Win32JobPlatform::WriteLine(int slot, const std::string& text) {
  const std::string& fileName = slots_.NameOf(slot);
  auto encoded = EncodeForScript(text);
  if (!encoded) {
    throw PlatformError("write", fileName, "the text has no exact form in the console's code page");
  }
  const std::string bytes = *encoded + "\r\n";
  DWORD written = 0;
  if (!WriteFile(slots_.HandleOf(slot).get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                 &written, nullptr)) {
    Throw("write", fileName, GetLastError());
  }
  if (written != bytes.size()) throw PlatformError("write", fileName, "the write was cut short");
  Remember(fileName, slots_.HandleOf(slot).get());
}

// The written file as it is now. Its last-write time is set here, through
// the handle, so that the file system does not move it again at the close.
void Win32JobPlatform::Remember(const std::string& fileName, HANDLE file) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  BY_HANDLE_FILE_INFORMATION info{};
  const std::wstring identity = IdentityOf(file);
  if (identity.empty() || !SetFileTime(file, nullptr, nullptr, &now) ||
      !GetFileInformationByHandle(file, &info)) {
    Throw("write", fileName, GetLastError());
  }
  written_[fileName] = {identity, info.ftLastWriteTime, SizeOf(info)};
}

void Win32JobPlatform::Close(int slot) {
  if (!slots_.Has(slot)) return;
  const std::string fileName = slots_.NameOf(slot);
  UniqueFile file = slots_.Take(slot);
  if (!file.Close()) Throw("close", fileName, GetLastError());
}

void Win32JobPlatform::Delete(const std::string& fileName) {
  const std::wstring name = Utf8ToWide(fileName);
  if (!DeleteFileW(name.c_str())) Throw("delete", fileName, GetLastError());
}

void Win32JobPlatform::DeleteIfWritten(const std::string& fileName) {
  const auto written = written_.find(fileName);
  if (written == written_.end()) return;
  const std::wstring name = Utf8ToWide(fileName);
  const UniqueFile file(CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    Throw("delete", fileName, error);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool same = GetFileInformationByHandle(file.get(), &info) &&
                    IdentityOf(file.get()) == written->second.identity &&
                    CompareFileTime(&info.ftLastWriteTime, &written->second.lastWrite) == 0 &&
                    SizeOf(info) == written->second.size;
  if (same && !DeleteThrough(file.get())) Throw("delete", fileName, GetLastError());
}

std::string Win32JobPlatform::WorkingFolder() const {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return WideToUtf8(folder);
}

PathKind Win32JobPlatform::KindOf(const std::string& path) const {
  const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::kFolder : PathKind::kFile;
}

// The file system's own rule: ordinal, with the system's fixed upper-case
// table, never the user's language (CharUpperBuffW would follow it).
bool Win32JobPlatform::SameIgnoringCase(const std::string& a, const std::string& b) const {
  const std::wstring wideA = Utf8ToWide(a), wideB = Utf8ToWide(b);
  return CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()), wideB.c_str(),
                              static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

Reservation Win32JobPlatform::ReserveScript(const std::string& fileName) {
  return ReserveScriptName(fileName, reservation_);
}

// The reservation stays here until the watch sees the script end.
int Win32JobPlatform::Start(const std::string& fileName) {
  auto errors = std::make_unique<ErrorFile>();
  UniqueHandle process = StartScript(fileName, errors->path(), reservation_.get());
  runs_.push_back({++lastRun_, std::move(process), std::move(reservation_), std::move(errors)});
  return lastRun_;
}

std::vector<ScriptEnd> Win32JobPlatform::TakeEndedScripts() {
  std::vector<ScriptEnd> ended;
  for (auto run = runs_.begin(); run != runs_.end();) {
    DWORD code = 0;
    if (WaitForSingleObject(run->process.get(), 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(run->process.get(), &code)) {
      ++run;
      continue;
    }
    ended.push_back({run->number, code});
    run->errors->ReadTail(ended.back());
    run = runs_.erase(run);
  }
  return ended;
}

std::string Win32JobPlatform::DecodeConsoleText(const std::string& bytes) const {
  return DecodeFromConsole(bytes);
}

std::vector<HANDLE> Win32JobPlatform::WatchedProcesses() const {
  std::vector<HANDLE> processes;
  for (const Run& run : runs_) processes.push_back(run.process.get());
  return processes;
}

}  // namespace vok
