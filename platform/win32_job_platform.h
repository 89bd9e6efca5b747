#pragma once

#include <windows.h>

#include <string>

#include "job_platform.h"
#include "slot_table.h"

namespace vok {

// Files in the working directory and the start of scripts through Win32.
// Script lines are written in the OEM code page, the one a new console's
// command interpreter decodes batch files in.
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
  void Start(const std::string& fileName) override;

 private:
  UINT codePage_;
  SlotTable<HANDLE> slots_;
};

}  // namespace vok
