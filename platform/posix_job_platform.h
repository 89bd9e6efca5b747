#pragma once

#include <sys/stat.h>

#include <functional>
#include <map>
#include <string>

#include "job_platform.h"
#include "slot_table.h"

namespace vok {

// Files in the working directory through POSIX calls; text is UTF-8. There is
// no command interpreter for batch scripts here, so starting a script is left
// to the given function, and no script is ever seen running or ending.
class PosixJobPlatform : public JobPlatform {
 public:
  using Starter = std::function<void(const std::string& fileName)>;
  explicit PosixJobPlatform(Starter starter);
  ~PosixJobPlatform() override;
  PosixJobPlatform(const PosixJobPlatform&) = delete;
  PosixJobPlatform& operator=(const PosixJobPlatform&) = delete;

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

 private:
  Starter starter_;
  int runs_ = 0;
  SlotTable<int> slots_;
  std::map<std::string, struct stat> written_;  // by name, as last written
};

}  // namespace vok
