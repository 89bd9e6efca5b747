#pragma once

// The files in the user's temporary folder that take the scripts' standard
// error: their creation, the reading of their end, their delete, and the
// sweep of those that earlier runs left.
#include <windows.h>

#include <string>

#include "job_platform.h"
#include "win32_handle.h"

namespace vok {

// The file that takes a script's standard error: a name of 128 random bits
// that no other program can guess or create first, open to this user alone.
// This handle reads it; the script's cmd.exe opens it by name to write, so
// the tool's writes still succeed once this program has ended. Gone with
// this object when nothing else has it open. Without a temporary folder or
// the system's functions, no file: the script then runs without one.
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
  UniqueFile handle_;
  std::wstring folder_, name_;
  std::wstring identity_;  // as created, to delete this file and no other
};

// Removes the error files that earlier runs left in the temporary folder
// (their scripts outlived the program) and that nothing writes to any more:
// only there, only files this user owns, never through a link.
void RemoveUnusedErrorFiles();

}  // namespace vok
