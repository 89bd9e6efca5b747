#include "win32_script_start.h"

#include "job_platform.h"
#include "win32_console_settings.h"
#include "win32_text.h"

namespace vok {
namespace {

// The system's own cmd.exe, never one that lies in the working folder.
std::wstring SystemCommandInterpreter(const std::string& fileName) {
  const std::wstring folder = SystemFolder();
  const DWORD error = GetLastError();
  if (folder.empty()) throw PlatformError("start", fileName, SystemErrorText(error));
  return folder + L"\\cmd.exe";
}

}  // namespace

std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script,
                               const std::wstring& errorFile) {
  // /s strips the outer pair of quotes and keeps the rest as it stands.
  const std::wstring redirection = errorFile.empty() ? L"" : L" 2>\"" + errorFile + L"\"";
  return L"\"" + interpreter + L"\" /d /v:off /s /c \"\".\\" + script + L"\"" + redirection + L"\"";
}

UniqueHandle StartScript(const std::string& fileName, const std::wstring& errorFile,
                         HANDLE reservation) {
  const std::wstring interpreter = SystemCommandInterpreter(fileName);
  std::wstring commandLine = ScriptCommandLine(interpreter, Utf8ToWide(fileName), errorFile);
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
  if (!started) throw PlatformError("start", fileName, SystemErrorText(GetLastError()));
  const UniqueHandle thread(process.hThread);  // not needed: closed on return
  // A copy of the reservation in the script's process keeps it past this
  // program's end; should that copy fail, the caller's still holds while
  // this program runs.
  HANDLE held = nullptr;
  DuplicateHandle(GetCurrentProcess(), reservation, process.hProcess, &held, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  return UniqueHandle(process.hProcess);
}

}  // namespace vok
