#pragma once

// The file and process layer of the jobs on Win32: the one class the jobs
// see. It writes and deletes the scripts in the working folder and watches
// the scripts it started; the guard, the error files, the start, the
// script's encoding and the file identities each have a file of their own.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "job_platform.h"
#include "slot_table.h"
#include "win32_error_file.h"
#include "win32_handle.h"
#include "win32_script_guard.h"
#include "win32_script_start.h"

namespace vok {

// Files in the working directory and the start of scripts through Win32.
// Script lines are written in the code page of the script's new console (the
// user's console settings for its title, or the OEM code page), the one its
// command interpreter decodes batch files in, and must also have an exact
// form in the ANSI code page. Started scripts are watched until they end.
class Win32JobPlatform : public JobPlatform {
 public:
  Win32JobPlatform();
  // Running scripts go on; their reservations live on in their own processes.
  ~Win32JobPlatform() override = default;
  Win32JobPlatform(const Win32JobPlatform&) = delete;
  Win32JobPlatform& operator=(const Win32JobPlatform&) = delete;

  std::optional<std::string> EncodeForScript(const std::string& text) const override;
  void OpenForAppend(int slot, const std::string& fileName) override;
  void CreateNew(int slot, const std::string& fileName) override;
  void WriteLine(int slot, const std::string& text) override;
  void Close(int slot) override;
  void Delete(const std::string& fileName) override;
  void DeleteIfWritten(const std::string& fileName) override;
  std::string WorkingFolder() const override;
  PathKind KindOf(const std::string& path) const override;
  bool SameIgnoringCase(const std::string& a, const std::string& b) const override;
  Reservation ReserveScript(const std::string& fileName) override;
  int Start(const std::string& fileName) override;
  std::vector<ScriptEnd> TakeEndedScripts() override;
  std::string DecodeConsoleText(const std::string& bytes) const override;

  // The processes of the scripts still watched, to wait on.
  std::vector<HANDLE> WatchedProcesses() const;

 private:
  void Open(int slot, const std::string& fileName, const char* operation, DWORD access,
            DWORD creation, DWORD flags);
  void Remember(const std::string& fileName, HANDLE file);

  // A file as this program wrote it, which it alone may delete.
  struct Written {
    std::wstring identity;
    FILETIME lastWrite;
    ULONGLONG size;
  };

  struct Run {
    int number;
    UniqueHandle process;
    UniqueHandle reservation;  // held until the run is seen to end
    std::unique_ptr<ErrorFile> errors;
  };

  UINT toolCodePage_;  // the one an ANSI tool gets its arguments in
  SlotTable<UniqueFile> slots_;
  UniqueHandle reservation_;                // named after the script being written
  std::map<std::string, Written> written_;  // by name
  std::vector<Run> runs_;                   // an error file still written to stays
  int lastRun_ = 0;                         // until a later start removes it
};

}  // namespace vok
