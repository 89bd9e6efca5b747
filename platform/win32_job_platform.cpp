#include "win32_job_platform.h"

#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "console_code_page.h"
#include "error_file.h"
#include "win32_text.h"

namespace vok {
namespace {

[[noreturn]] void Throw(const char* operation, const std::string& fileName, DWORD error) {
  throw PlatformError(operation, fileName, SystemErrorText(error));
}

// For a failed call whose error nothing has touched since.
[[noreturn]] void ThrowLastError(const char* operation, const std::string& fileName) {
  Throw(operation, fileName, GetLastError());
}

// The system's own cmd.exe, never one that lies in the working folder.
std::wstring SystemCommandInterpreter(const std::string& fileName) {
  const std::wstring folder = SystemFolder();
  if (folder.empty()) ThrowLastError("start", fileName);
  return folder + L"\\cmd.exe";
}

// The title of each script's console. The console host looks its settings up
// under HKCU\Console by the title, "\" made "_": this one has none.
constexpr wchar_t kConsoleTitle[] = L"VOK Decompiler job";

// A CodePage value under HKCU\Console, as the console host would read it.
CodePageSetting ReadCodePage(const std::wstring& key) {
  DWORD number = 0, size = sizeof(number), type = 0;
  const LSTATUS status =
      RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"CodePage", RRF_RT_ANY, &type, &number, &size);
  CodePageSetting setting;
  if (status == ERROR_FILE_NOT_FOUND) return setting;
  setting.state = CodePageSetting::State::kUnreadable;
  if (status != ERROR_SUCCESS || type != REG_DWORD) return setting;
  setting.state = CodePageSetting::State::kNumber;
  setting.number = number;
  setting.installed = IsValidCodePage(number) != FALSE;
  return setting;
}

// The settings a new console takes its code page from, read afresh: the
// user may change them while the program runs. Only the classic console host
// as the chosen terminal rules out another one that ignores them.
ConsoleSettings ReadConsoleSettings() {
  wchar_t terminal[64] = {};
  DWORD size = sizeof(terminal);
  ConsoleSettings settings;
  settings.classicHost =
      RegGetValueW(HKEY_CURRENT_USER, L"Console\\%%Startup", L"DelegationTerminal", RRF_RT_REG_SZ,
                   nullptr, terminal, &size) == ERROR_SUCCESS &&
      CompareStringOrdinal(terminal, -1, L"{B23D10C0-E52E-411E-9D5B-C09FDF709C7D}", -1, TRUE) ==
          CSTR_EQUAL;
  settings.oem = GetOEMCP();
  settings.forAll = ReadCodePage(L"Console");
  settings.forTitle = ReadCodePage(std::wstring(L"Console\\") + kConsoleTitle);
  return settings;
}

// What the program's token says of `kind` (TokenUser, TokenOwner), as the
// system returns it; empty when unknown.
std::vector<unsigned char> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<unsigned char> information(std::max<DWORD>(size, sizeof(TOKEN_USER)));
  if (!GetTokenInformation(token, kind, information.data(), size, &size)) information.clear();
  CloseHandle(token);
  return information;
}

// The user who runs the program, as a TOKEN_USER; empty when unknown.
std::vector<unsigned char> CurrentUser() {
  return TokenInformation(TokenUser);
}

PSID UserSid(const std::vector<unsigned char>& user) {
  return user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
}

// The owner that files the program creates get: the user, or, run as
// administrator, the Administrators group.
PSID DefaultOwnerSid(const std::vector<unsigned char>& owner) {
  return owner.empty() ? nullptr : reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner;
}

// A descriptor that lets only the user who runs the program open the file,
// whatever the folder would pass on; nothing when it cannot be had.
PSECURITY_DESCRIPTOR UserOnlyDescriptor() {
  const std::vector<unsigned char> user = CurrentUser();
  wchar_t* sid = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (UserSid(user) && ConvertSidToStringSidW(UserSid(user), &sid)) {
    // Protected (P): no entry inherited from the folder; full access (FA) for the user.
    const std::wstring text = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
      descriptor = nullptr;
    }
    LocalFree(sid);
  }
  return descriptor;
}

// The bytes in hexadecimal, as they lie in memory.
std::wstring Hex(const void* bytes, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = static_cast<const unsigned char*>(bytes)[i];
    text += L"0123456789ABCDEF"[byte >> 4];
    text += L"0123456789ABCDEF"[byte & 0xF];
  }
  return text;
}

// What tells the open file or folder from every other: its volume and its
// 128-bit identifier where the system has one (a 64-bit index is not unique
// on ReFS, and 0 on some network redirectors), else its 64-bit index. Empty,
// with the error left for GetLastError, when it cannot be had.
std::wstring IdentityOf(HANDLE file) {
  FILE_ID_INFO id{};
  if (GetFileInformationByHandleEx(file, FileIdInfo, &id, sizeof(id))) {
    return Hex(&id.VolumeSerialNumber, sizeof(id.VolumeSerialNumber)) + L' ' +
           Hex(&id.FileId, sizeof(id.FileId));
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return L"";
  const DWORD index[] = {info.nFileIndexLow, info.nFileIndexHigh};
  return Hex(&info.dwVolumeSerialNumber, sizeof(DWORD)) + L' ' + Hex(index, sizeof(index));
}

// Deletes the file through its open handle.
bool DeleteThrough(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) !=
         FALSE;
}

// Who owns the open file.
Owner OwnerOf(HANDLE file) {
  static const std::vector<unsigned char> user = CurrentUser();
  static const std::vector<unsigned char> defaultOwner = TokenInformation(TokenOwner);
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return Owner::kUnknown;
  }
  const auto is = [&](PSID sid) { return sid && owner && EqualSid(owner, sid); };
  const Owner found = !owner                              ? Owner::kUnknown
                      : is(UserSid(user))                 ? Owner::kUser
                      : is(DefaultOwnerSid(defaultOwner)) ? Owner::kDefaultOwner
                                                          : Owner::kOther;
  LocalFree(descriptor);
  return found;
}

// The folder for the error files, in full, as cmd.exe can take it in a
// redirection: a "%" would be expanded there, so such a folder goes by its
// short name, or not at all ("").
std::wstring ErrorFileFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  folder.resize(GetTempPathW(MAX_PATH + 1, folder.data()));
  if (folder.find(L'%') == std::wstring::npos) return folder;
  std::wstring shortName(MAX_PATH + 1, L'\0');
  shortName.resize(GetShortPathNameW(folder.c_str(), shortName.data(), MAX_PATH + 1));
  return shortName.find(L'%') == std::wstring::npos ? shortName : std::wstring();
}

// Opens the file or link itself, never what a link points to, to delete it,
// when nothing has it open: the exclusive open fails while a script's
// cmd.exe, or a tool it started, still writes to it.
HANDLE OpenUnusedToDelete(const std::wstring& path) {
  return CreateFileW(path.c_str(), DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES, 0, nullptr,
                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Deletes a file that an earlier run left, when nothing uses it and the
// sweep may take it.
void DeleteIfUnused(const std::wstring& folder, const std::wstring& name) {
  HANDLE file = OpenUnusedToDelete(folder + name);
  if (file == INVALID_HANDLE_VALUE) return;
  FILE_ATTRIBUTE_TAG_INFO kind{};
  const bool known = GetFileInformationByHandleEx(file, FileAttributeTagInfo, &kind, sizeof(kind));
  const FoundFile found = {
      WideToUtf8(name), (kind.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, OwnerOf(file)};
  if (known && !(kind.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && MaySweep(found)) {
    DeleteThrough(file);
  }
  CloseHandle(file);
}

}  // namespace

// In the global namespace, so that copies in other users' sessions (fast user
// switching, Remote Desktop) see it too; creating it there needs no
// privilege. The folder is named by its identity, not by its path, which
// another drive letter, an 8.3 name or a junction would change.
std::wstring ReservationName(const std::string& fileName) {
  HANDLE folder = CreateFileW(L".", FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) ThrowLastError("reserve", fileName);
  const std::wstring identity = IdentityOf(folder);
  const DWORD error = GetLastError();
  CloseHandle(folder);
  if (identity.empty()) throw PlatformError("reserve", fileName, SystemErrorText(error));
  return L"Global\\VOK Decompiler script " + identity + L' ' + Utf8ToWide(fileName);
}

ErrorFile::ErrorFile() {
  static const PSECURITY_DESCRIPTOR descriptor = UserOnlyDescriptor();
  const std::wstring folder = ErrorFileFolder();
  unsigned char bits[16];
  if (!descriptor || folder.empty() || !RtlGenRandom(bits, sizeof bits)) return;
  std::wstring name = Utf8ToWide(kErrorFilePrefix);
  for (unsigned char byte : bits) {
    name += L"0123456789abcdef"[byte >> 4];
    name += L"0123456789abcdef"[byte & 0xF];
  }
  name += Utf8ToWide(kErrorFileSuffix);
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
  // Read here; cmd.exe opens it by name to write, and may delete it.
  const std::wstring path = folder + name;
  handle_ = CreateFileW(path.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &security,
                        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return;
  folder_ = folder;
  name_ = name;
  identity_ = IdentityOf(handle_);
}

// The file is known by the identity it had at its creation, whoever the
// system says owns it: run as administrator, that is the Administrators
// group; on a FAT folder, nobody.
ErrorFile::~ErrorFile() {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(handle_);
  HANDLE file = OpenUnusedToDelete(path());
  if (file == INVALID_HANDLE_VALUE) return;
  if (!identity_.empty() && IdentityOf(file) == identity_) DeleteThrough(file);
  CloseHandle(file);
}

void ErrorFile::ReadTail(ScriptEnd& end) const {
  LARGE_INTEGER size{}, from{};
  if (handle_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle_, &size)) return;
  // Only the end is read, however much the tool wrote.
  from.QuadPart = std::max<LONGLONG>(0, size.QuadPart - static_cast<LONGLONG>(kErrorTailBytes));
  std::string tail(static_cast<std::size_t>(size.QuadPart - from.QuadPart), '\0');
  DWORD read = 0;
  if (!SetFilePointerEx(handle_, from, nullptr, FILE_BEGIN) ||
      !::ReadFile(handle_, tail.data(), static_cast<DWORD>(tail.size()), &read, nullptr)) {
    return;
  }
  tail.resize(read);
  end.errorTail = std::move(tail);
  end.errorCut = from.QuadPart > 0;
}

void RemoveUnusedErrorFiles() {
  const std::wstring folder = ErrorFileFolder();
  if (!MaySweepIn(WideToUtf8(folder))) return;
  WIN32_FIND_DATAW found{};
  const std::wstring pattern =
      folder + Utf8ToWide(kErrorFilePrefix) + L"*" + Utf8ToWide(kErrorFileSuffix);
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    DeleteIfUnused(folder, found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script,
                               const std::wstring& errorFile) {
  // /s strips the outer pair of quotes and keeps the rest as it stands.
  const std::wstring redirection = errorFile.empty() ? L"" : L" 2>\"" + errorFile + L"\"";
  return L"\"" + interpreter + L"\" /d /v:off /s /c \"\".\\" + script + L"\"" + redirection + L"\"";
}

Win32JobPlatform::Win32JobPlatform() : toolCodePage_(GetACP()) {}

// Running scripts go on; their reservations live on in their own processes.
Win32JobPlatform::~Win32JobPlatform() {
  slots_.ForEach([](int, HANDLE file) { CloseHandle(file); });
  if (reservation_) CloseHandle(reservation_);
  for (const Run& run : runs_) {
    CloseHandle(run.process);
    CloseHandle(run.reservation);
  }  // an error file still written to stays until a later start removes it
}

// cmd.exe decodes the script in its console's code page and hands the tool a
// Unicode command line; a tool built as an ANSI program gets it converted to
// the ANSI code page with best fit ("α" as "a"). A name reaches every tool
// as typed only when the ANSI code page holds it exactly and its bytes are
// the same in every code page the console may have.
std::optional<std::string> Win32JobPlatform::EncodeForScript(const std::string& text) const {
  const std::wstring wide = Utf8ToWide(text);
  if (!WideToCodePageExactly(wide, toolCodePage_)) return std::nullopt;
  const ConsoleCodePages pages = PossibleConsoleCodePages(ReadConsoleSettings());
  if (pages.unknown && std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; })) {
    return std::nullopt;
  }
  std::optional<std::string> bytes = text;  // ASCII, where no code page is known
  for (std::size_t i = 0; i < pages.possible.size(); ++i) {
    const auto encoded = WideToCodePageExactly(wide, pages.possible[i]);
    if (!encoded || (i > 0 && encoded != bytes)) return std::nullopt;
    bytes = encoded;
  }
  return bytes;
}

// A link is opened itself, never followed: its target, wherever it points,
// is neither created nor changed.
void Win32JobPlatform::OpenForAppend(int slot, const std::string& fileName) {
  const std::wstring name = Utf8ToWide(fileName);
  HANDLE file = CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastError("open", fileName);
  slots_.Put(slot, fileName, file);
}

void Win32JobPlatform::CreateNew(int slot, const std::string& fileName) {
  const std::wstring name = Utf8ToWide(fileName);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastError("create", fileName);
  slots_.Put(slot, fileName, file);
}

void Win32JobPlatform::WriteLine(int slot, const std::string& text) {
  const std::string& fileName = slots_.NameOf(slot);
  auto encoded = EncodeForScript(text);
  if (!encoded) {
    throw PlatformError("write", fileName, "the text has no exact form in the console's code page");
  }
  const std::string bytes = *encoded + "\r\n";
  DWORD written = 0;
  if (!WriteFile(slots_.HandleOf(slot), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                 nullptr)) {
    ThrowLastError("write", fileName);
  }
  if (written != bytes.size()) throw PlatformError("write", fileName, "the write was cut short");
  Remember(fileName, slots_.HandleOf(slot));
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
    ThrowLastError("write", fileName);
  }
  written_[fileName] = {identity, info.ftLastWriteTime,
                        ULONGLONG{info.nFileSizeHigh} << 32 | info.nFileSizeLow};
}

void Win32JobPlatform::Close(int slot) {
  if (!slots_.Has(slot)) return;
  HANDLE file = slots_.HandleOf(slot);
  const std::string fileName = slots_.NameOf(slot);
  slots_.Remove(slot);
  if (!CloseHandle(file)) ThrowLastError("close", fileName);
}

void Win32JobPlatform::Delete(const std::string& fileName) {
  const std::wstring name = Utf8ToWide(fileName);
  if (!DeleteFileW(name.c_str())) ThrowLastError("delete", fileName);
}

void Win32JobPlatform::DeleteIfWritten(const std::string& fileName) {
  const auto written = written_.find(fileName);
  if (written == written_.end()) return;
  const std::wstring name = Utf8ToWide(fileName);
  HANDLE file = CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    throw PlatformError("delete", fileName, SystemErrorText(error));
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool same =
      GetFileInformationByHandle(file, &info) && IdentityOf(file) == written->second.identity &&
      CompareFileTime(&info.ftLastWriteTime, &written->second.lastWrite) == 0 &&
      (ULONGLONG{info.nFileSizeHigh} << 32 | info.nFileSizeLow) == written->second.size;
  const bool deleted = !same || DeleteThrough(file);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!deleted) throw PlatformError("delete", fileName, SystemErrorText(error));
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
  if (reservation_) CloseHandle(reservation_);
  const std::wstring name = ReservationName(fileName);
  reservation_ = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  const DWORD error = GetLastError();
  // A copy running elevated, or as another user, made an event that this
  // one may not open: reserved all the same.
  if (!reservation_ && error == ERROR_ACCESS_DENIED) return Reservation::kRunning;
  // An object of another kind (a mutex, say) holds the name: whoever made
  // it, no run can be guarded while it does.
  if (!reservation_ && error == ERROR_INVALID_HANDLE) return Reservation::kTaken;
  if (!reservation_) Throw("reserve", fileName, error);
  if (error != ERROR_ALREADY_EXISTS) return Reservation::kReserved;
  CloseHandle(reservation_);
  reservation_ = nullptr;
  return Reservation::kRunning;
}

int Win32JobPlatform::Start(const std::string& fileName) {
  const std::wstring interpreter = SystemCommandInterpreter(fileName);
  auto errors = std::make_unique<ErrorFile>();
  std::wstring commandLine = ScriptCommandLine(interpreter, Utf8ToWide(fileName), errors->path());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  std::wstring title = kConsoleTitle;  // names the console's settings
  startup.lpTitle = title.data();
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
  runs_.push_back(
      {++lastRun_, process.hProcess, std::exchange(reservation_, nullptr), std::move(errors)});
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
    run->errors->ReadTail(ended.back());
    CloseHandle(run->process);
    CloseHandle(run->reservation);
    run = runs_.erase(run);
  }
  return ended;
}

// In the code page the script's console has, as far as it can be known (a
// name is written only where every possible one gives the same bytes).
std::string Win32JobPlatform::DecodeConsoleText(const std::string& bytes) const {
  const ConsoleCodePages pages = PossibleConsoleCodePages(ReadConsoleSettings());
  const UINT codePage = pages.possible.empty() ? GetOEMCP() : pages.possible.front();
  const int size = static_cast<int>(bytes.size());
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), size)));
  return WideToUtf8(wide);
}

std::vector<HANDLE> Win32JobPlatform::WatchedProcesses() const {
  std::vector<HANDLE> processes;
  for (const Run& run : runs_) processes.push_back(run.process);
  return processes;
}

}  // namespace vok
