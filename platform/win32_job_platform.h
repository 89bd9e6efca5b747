#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "job_platform.h"
#include "slot_table.h"

namespace vok {

// The command line that runs `script` from the working folder in the given
// cmd.exe: without the user's AutoRun commands (/d), with delayed expansion
// off whatever the registry says (/v:off), the script's name quoted, and its
// standard error sent to `errorFile` when one is given.
std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script,
                               const std::wstring& errorFile = L"");

// The name of the event that exists while a script of this name runs in the
// working folder, in any copy of the program.
std::wstring ReservationName(const std::string& fileName);

// The file in the user's temporary folder that takes a script's standard
// error: a name of 128 random bits that no other program can guess or create
// first, open to this user alone. This handle reads it; the script's cmd.exe
// opens it by name to write, so the tool's writes still succeed once this
// program has ended. Gone with this object when nothing else has it open.
// Without a temporary folder or the system's functions, no file: the script
// then runs without one.
class ErrorFile {
 public:
  ErrorFile();
  ~ErrorFile();
  ErrorFile(const ErrorFile&) = delete;
  ErrorFile& operator=(const ErrorFile&) = delete;

  // The file's full name; empty when there is no file.
  std::wstring path() const { return folder_ + name_; }
  // Puts the file's last bytes into the script's end.
  void ReadTail(ScriptEnd& end) const;

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::wstring folder_, name_;
  std::wstring identity_;  // as created, to delete this file and no other
};

// Removes the error files that earlier runs left in the temporary folder
// (their scripts outlived the program) and that nothing writes to any more:
// only there, only files this user owns, never through a link.
void RemoveUnusedErrorFiles();

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
  void Remember(const std::string& fileName, HANDLE file);

  // A file as this program wrote it, which it alone may delete.
  struct Written {
    std::wstring identity;
    FILETIME lastWrite;
    ULONGLONG size;
  };

  struct Run {
    int number;
    HANDLE process;
    HANDLE reservation;  // held until the run is seen to end
    std::unique_ptr<ErrorFile> errors;
  };

  UINT toolCodePage_;  // the one an ANSI tool gets its arguments in
  SlotTable<HANDLE> slots_;
  HANDLE reservation_ = nullptr;            // named after the script being written
  std::map<std::string, Written> written_;  // by name
  std::vector<Run> runs_;
  int lastRun_ = 0;
};

}  // namespace vok
