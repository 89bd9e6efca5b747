#include "win32_job_platform.h"

#include "win32_text.h"

namespace vok {
namespace {

[[noreturn]] void ThrowLastError(const char* operation, const std::string& fileName) {
  const DWORD error = GetLastError();  // read before anything else can change it
  throw PlatformError(operation, fileName, SystemErrorText(error));
}

// The system's own cmd.exe, never one that lies in the working folder.
std::wstring SystemCommandInterpreter() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length < MAX_PATH ? length : 0) + L"\\cmd.exe";
}

// The name of the event that exists while a script of this full path runs,
// in any copy of the program in this session: a hash of the path, as names
// are case-insensitive and object names have a length limit.
std::wstring ReservationName(const std::string& fileName) {
  std::wstring path(32768, L'\0');
  path.resize(GetFullPathNameW(Utf8ToWide(fileName).c_str(), 32768, path.data(), nullptr));
  CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  unsigned long long hash = 14695981039346656037ull;  // FNV-1a
  for (wchar_t c : path) hash = (hash ^ static_cast<unsigned short>(c)) * 1099511628211ull;
  std::wstring name = L"Local\\VOK Decompiler script ";
  for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789ABCDEF"[(hash >> shift) & 0xF];
  return name;
}

}  // namespace

std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script) {
  // /s strips the outer pair of quotes and keeps the rest as it stands.
  return L"\"" + interpreter + L"\" /d /v:off /s /c \"\".\\" + script + L"\"\"";
}

Win32JobPlatform::Win32JobPlatform() : codePage_(GetOEMCP()) {}

// Running scripts go on; their reservations live in their own processes.
Win32JobPlatform::~Win32JobPlatform() {
  slots_.ForEach([](int, HANDLE file) { CloseHandle(file); });
  if (reservation_) CloseHandle(reservation_);
  for (const Run& run : runs_) CloseHandle(run.process);
}

std::optional<std::string> Win32JobPlatform::EncodeForScript(const std::string& text) const {
  return WideToCodePageExactly(Utf8ToWide(text), codePage_);
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

bool Win32JobPlatform::ReserveScript(const std::string& fileName) {
  if (reservation_) CloseHandle(reservation_);
  reservation_ = CreateEventW(nullptr, TRUE, FALSE, ReservationName(fileName).c_str());
  if (!reservation_) ThrowLastError("reserve", fileName);
  if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
  CloseHandle(reservation_);
  reservation_ = nullptr;
  return false;
}

int Win32JobPlatform::Start(const std::string& fileName) {
  const std::wstring interpreter = SystemCommandInterpreter();
  std::wstring commandLine = ScriptCommandLine(interpreter, Utf8ToWide(fileName));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &process)) {
    ThrowLastError("start", fileName);
  }
  CloseHandle(process.hThread);
  // The script's process holds the reservation as long as it runs, even
  // past this program's end; if it has ended already, so much the better.
  HANDLE held = nullptr;
  DuplicateHandle(GetCurrentProcess(), reservation_, process.hProcess, &held, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  CloseHandle(reservation_);
  reservation_ = nullptr;
  runs_.push_back({++lastRun_, process.hProcess});
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
