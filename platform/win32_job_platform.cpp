#include "win32_job_platform.h"

#include <utility>

#include "win32_text.h"

namespace vok {
namespace {

[[noreturn]] void ThrowLastError(const char* operation, const std::string& fileName) {
  const DWORD error = GetLastError();  // read before anything else can change it
  throw PlatformError(operation, fileName, SystemErrorText(error));
}

// The system's own cmd.exe, never one that lies in the working folder.
std::wstring SystemCommandInterpreter(const std::string& fileName) {
  const std::wstring folder = SystemFolder();
  if (folder.empty()) ThrowLastError("start", fileName);
  return folder + L"\\cmd.exe";
}

// The name of the event that exists while a script of this name runs in the
// working folder, in any copy of the program in this session. The folder is
// named by its identity (volume and file index), not by its path, which
// another drive letter, an 8.3 name or a junction would change.
std::wstring ReservationName(const std::string& fileName) {
  HANDLE folder = CreateFileW(L".", FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) ThrowLastError("reserve", fileName);
  BY_HANDLE_FILE_INFORMATION identity{};
  const BOOL known = GetFileInformationByHandle(folder, &identity);
  const DWORD error = GetLastError();
  CloseHandle(folder);
  if (!known) throw PlatformError("reserve", fileName, SystemErrorText(error));
  std::wstring name = L"Local\\VOK Decompiler script ";
  for (DWORD part :
       {identity.dwVolumeSerialNumber, identity.nFileIndexHigh, identity.nFileIndexLow}) {
    for (int shift = 28; shift >= 0; shift -= 4) name += L"0123456789ABCDEF"[(part >> shift) & 0xF];
    name += L' ';
  }
  return name + Utf8ToWide(fileName);
}

}  // namespace

std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script) {
  // /s strips the outer pair of quotes and keeps the rest as it stands.
  return L"\"" + interpreter + L"\" /d /v:off /s /c \"\".\\" + script + L"\"\"";
}

Win32JobPlatform::Win32JobPlatform() : codePage_(GetOEMCP()), toolCodePage_(GetACP()) {}

// Running scripts go on; their reservations live on in their own processes.
Win32JobPlatform::~Win32JobPlatform() {
  slots_.ForEach([](int, HANDLE file) { CloseHandle(file); });
  if (reservation_) CloseHandle(reservation_);
  for (const Run& run : runs_) {
    CloseHandle(run.process);
    CloseHandle(run.reservation);
  }
}

// cmd.exe decodes the script in the OEM code page and hands the tool a
// Unicode command line; a tool built as an ANSI program gets it converted to
// the ANSI code page with best fit ("α" as "a"). A name reaches every tool
// as typed only when both code pages hold it exactly.
std::optional<std::string> Win32JobPlatform::EncodeForScript(const std::string& text) const {
  const std::wstring wide = Utf8ToWide(text);
  if (!WideToCodePageExactly(wide, toolCodePage_)) return std::nullopt;
  return WideToCodePageExactly(wide, codePage_);
}

void Win32JobPlatform::OpenForAppend(int slot, const std::string& fileName) {
  HANDLE file = CreateFileW(Utf8ToWide(fileName).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastError("open", fileName);
  slots_.Put(slot, fileName, file);
}

void Win32JobPlatform::WriteLine(int slot, const std::string& text) {
  const std::string& fileName = slots_.NameOf(slot);
  auto encoded = EncodeForScript(text);
  if (!encoded) {
    throw PlatformError("write", fileName, "the text has no exact form in the OEM code page");
  }
  const std::string bytes = *encoded + "\r\n";
  DWORD written = 0;
  if (!WriteFile(slots_.HandleOf(slot), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                 nullptr)) {
    ThrowLastError("write", fileName);
  }
  if (written != bytes.size()) throw PlatformError("write", fileName, "the write was cut short");
}

void Win32JobPlatform::Close(int slot) {
  if (!slots_.Has(slot)) return;
  HANDLE file = slots_.HandleOf(slot);
  const std::string fileName = slots_.NameOf(slot);
  slots_.Remove(slot);
  if (!CloseHandle(file)) ThrowLastError("close", fileName);
}

void Win32JobPlatform::Delete(const std::string& fileName) {
  if (!DeleteFileW(Utf8ToWide(fileName).c_str())) ThrowLastError("delete", fileName);
}

void Win32JobPlatform::DeleteIfPresent(const std::string& fileName) {
  if (DeleteFileW(Utf8ToWide(fileName).c_str())) return;
  if (GetLastError() == ERROR_FILE_NOT_FOUND) return;
  ThrowLastError("delete", fileName);
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

std::string Win32JobPlatform::FoldCase(const std::string& path) const {
  std::wstring folded = Utf8ToWide(path);
  CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  return WideToUtf8(folded);
}

bool Win32JobPlatform::ReserveScript(const std::string& fileName) {
  if (reservation_) CloseHandle(reservation_);
  reservation_ = CreateEventW(nullptr, TRUE, FALSE, ReservationName(fileName).c_str());
  // A copy running elevated, or as another user, made an event that this
  // one may not open: reserved all the same.
  if (!reservation_ && GetLastError() == ERROR_ACCESS_DENIED) return false;
  if (!reservation_) ThrowLastError("reserve", fileName);
  if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
  CloseHandle(reservation_);
  reservation_ = nullptr;
  return false;
}

int Win32JobPlatform::Start(const std::string& fileName) {
  const std::wstring interpreter = SystemCommandInterpreter(fileName);
  std::wstring commandLine = ScriptCommandLine(interpreter, Utf8ToWide(fileName));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION process{};
  const auto start = [&] {
    return CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &process);
  };
  // Wine now and then fails the start with an internal error when the new
  // console's cmd.exe ends during its set-up, before any line of the script
  // ran: a second try cannot run the script twice.
  bool started = start();
  if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
    Sleep(100);
    started = start();
  }
  if (!started) ThrowLastError("start", fileName);
  CloseHandle(process.hThread);
  // The reservation stays here until the watch sees the script end. A copy
  // in the script's process keeps it past this program's end; should that
  // copy fail, the guard still holds while this program runs.
  HANDLE held = nullptr;
  DuplicateHandle(GetCurrentProcess(), reservation_, process.hProcess, &held, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  runs_.push_back({++lastRun_, process.hProcess, std::exchange(reservation_, nullptr)});
  return lastRun_;
}

std::vector<ScriptEnd> Win32JobPlatform::TakeEndedScripts() {
  std::vector<ScriptEnd> ended;
  for (auto run = runs_.begin(); run != runs_.end();) {
    DWORD code = 0;
    if (WaitForSingleObject(run->process, 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(run->process, &code)) {
      ++run;
      continue;
    }
    ended.push_back({run->number, code});
    CloseHandle(run->process);
    CloseHandle(run->reservation);
    run = runs_.erase(run);
  }
  return ended;
}

std::vector<HANDLE> Win32JobPlatform::WatchedProcesses() const {
  std::vector<HANDLE> processes;
  for (const Run& run : runs_) processes.push_back(run.process);
  return processes;
}

}  // namespace vok
