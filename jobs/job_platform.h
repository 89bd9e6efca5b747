#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "job_kind.h"

namespace vok {

// A failed file or process operation: what was tried, on which file, and the
// platform's own text for the error.
class PlatformError : public std::runtime_error {
 public:
  PlatformError(std::string operation, std::string fileName, std::string systemText);

  const std::string& operation() const { return operation_; }
  const std::string& fileName() const { return fileName_; }
  const std::string& systemText() const { return systemText_; }

 private:
  std::string operation_;
  std::string fileName_;
  std::string systemText_;
};

// What a job needs from the window. Text is UTF-8.
class PlatformUi {
 public:
  virtual ~PlatformUi() = default;
  virtual std::string ReadText(const JobKind& job) = 0;
  virtual void SetText(const JobKind& job, const std::string& text) = 0;
  // Modal warning with one OK button; returns once it is dismissed.
  virtual void Warn(const std::string& prompt, const std::string& title) = 0;
  virtual void Focus(const JobKind& job) = 0;
};

// How a script line becomes bytes.
class ScriptEncoding {
 public:
  virtual ~ScriptEncoding() = default;
  // The line's bytes in the code page the command interpreter reads scripts
  // in, or nothing when some character has no exact equivalent there, or in
  // the code page in which a tool built as an ANSI program gets its arguments.
  virtual std::optional<std::string> EncodeForScript(const std::string& text) const = 0;
};

// What a full path names.
enum class PathKind { kMissing, kFolder, kFile };

// What came of reserving a script for a run.
enum class Reservation {
  kReserved,
  kRunning,  // a script started under its name still runs there
  kTaken,    // another program holds the name that guards it: no run can be guarded
};

// How much of the end of a script's standard error the platform reads: more
// than the lines that a failure's box shows.
constexpr std::size_t kErrorTailBytes = 8192;

// A script that the platform started and has seen end.
struct ScriptEnd {
  int run;  // the number Start gave it
  std::uint32_t exitCode;
  // The last bytes (at most kErrorTailBytes) that the script wrote to its
  // standard error, and whether it wrote more before them.
  std::string errorTail = {};
  bool errorCut = false;
};

// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(const std::string& bytes);

// Files in the working directory, addressed by bare name, and the scripts
// started there. Every operation throws PlatformError on failure.
class JobPlatform : public ScriptEncoding {
 public:
  // Opens the file at its end on the slot, creating it empty when missing.
  virtual void OpenForAppend(int slot, const std::string& fileName) = 0;
  // Creates the file empty on the slot; a file already there is a failure,
  // never one to write into.
  virtual void CreateNew(int slot, const std::string& fileName) = 0;
  // Writes the text, encoded as EncodeForScript does, and CR LF, and
  // remembers the file as written: its identity, last-write time and size.
  virtual void WriteLine(int slot, const std::string& text) = 0;
  // Closes the slot's file; does nothing when the slot holds none.
  virtual void Close(int slot) = 0;
  virtual void Delete(const std::string& fileName) = 0;
  // Deletes the file if it is still the one last written under that name,
  // as it was written, without following a link. Any other file of that
  // name (the user's, another copy's), or none, is left, and is no error.
  virtual void DeleteIfWritten(const std::string& fileName) = 0;
  // The working directory's full name.
  virtual std::string WorkingFolder() const = 0;
  // What the full path names now.
  virtual PathKind KindOf(const std::string& path) const = 0;
  // Whether the two paths are the same text as the file system compares
  // names: ignoring case as its own fixed table does, whatever the user's
  // language ("I" is not "ı", "ß" not "SS").
  virtual bool SameIgnoringCase(const std::string& a, const std::string& b) const = 0;
  // Reserves the script for one run: not while a script started under its
  // name, by this or another copy of the program, still runs there, nor
  // while another program holds the guard's name.
  virtual Reservation ReserveScript(const std::string& fileName) = 0;
  // Starts the reserved script minimised and active, without waiting for it,
  // and hands it the reservation; returns a number for the run.
  virtual int Start(const std::string& fileName) = 0;
  // The runs that have ended since the last call, with the end of what each
  // wrote to its standard error.
  virtual std::vector<ScriptEnd> TakeEndedScripts() = 0;
  // Text that a script's console programs wrote in the code page that
  // scripts are written in, as UTF-8.
  virtual std::string DecodeConsoleText(const std::string& bytes) const = 0;
};

}  // namespace vok
