#include "win32_job_platform.h"

#include <shellapi.h>

#include "win32_text.h"

namespace vok {
namespace {

[[noreturn]] void ThrowLastError(const char* operation, const std::string& fileName) {
  const DWORD error = GetLastError();  // read before anything else can change it
  throw PlatformError(operation, fileName, SystemErrorText(error));
}

}  // namespace

Win32JobPlatform::Win32JobPlatform() : codePage_(GetOEMCP()) {}

Win32JobPlatform::~Win32JobPlatform() {
  slots_.ForEach([](int, HANDLE file) { CloseHandle(file); });
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

void Win32JobPlatform::Start(const std::string& fileName) {
  const std::wstring file = Utf8ToWide(fileName);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  // No error dialogs of the shell's own: a failure is reported by our caller.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWMINIMIZED;
  if (!ShellExecuteExW(&info)) ThrowLastError("start", fileName);
}

}  // namespace vok
