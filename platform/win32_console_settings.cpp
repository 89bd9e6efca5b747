#include "win32_console_settings.h"

#include <windows.h>

#include <string>

namespace vok {
namespace {

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

}  // namespace

const wchar_t kConsoleTitle[] = L"VOK Decompiler job";

// Only the classic console host as the chosen terminal rules out another
// one that ignores the settings.
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

}  // namespace vok
