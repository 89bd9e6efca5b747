#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "job_platform.h"
#include "slot_table.h"

namespace vok {

// The command line that runs `script` from the working folder in the given
// cmd.exe: without the user's AutoRun commands (/d), with delayed expansion
// off whatever the registry says (/v:off), and the script's name quoted.
std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script);

// Files in the working directory and the start of scripts through Win32.
// Script lines are written in the code page of the script's new console (the
// user's console settings for its title, or the OEM code page), the one its
// command interpreter decodes batch files in, and must also have an exact
// form in the ANSI code page. Started scripts are watched until they end.
class Win32JobPlatform : public JobPlatform {
 public:
  Win32JobPlatform();
  ~Win32JobPlatform() override;
  Win32JobPlatform(const Win32JobPlatform&) = delete;
  Win32JobPlatform& operator=(const Win32JobPlatform&) = delete;

  std::optional<std::string> EncodeForScript(const std::string& text) const override;
  void OpenForAppend(int slot, const std::string& fileName) override;
  void WriteLine(int slot, const std::string& text) override;
  void Close(int slot) override;
  void Delete(const std::string& fileName) override;
  void DeleteIfPresent(const std::string& fileName) override;
  std::string WorkingFolder() const override;
  PathKind KindOf(const std::string& path) const override;
  bool SameIgnoringCase(const std::string& a, const std::string& b) const override;
  bool ReserveScript(const std::string& fileName) override;
  int Start(const std::string& fileName) override;
  std::vector<ScriptEnd> TakeEndedScripts() override;

  // The processes of the scripts still watched, to wait on.
  std::vector<HANDLE> WatchedProcesses() const;

 private:
  struct Run {
    int number;
    HANDLE process;
    HANDLE reservation;  // held until the run is seen to end
  };

  UINT toolCodePage_;  // the one an ANSI tool gets its arguments in
  SlotTable<HANDLE> slots_;
  HANDLE reservation_ = nullptr;  // named after the script being written
  std::vector<Run> runs_;
  int lastRun_ = 0;
};

}  // namespace vok
