#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "job_platform.h"

namespace vok::test {

// The script encoding of Windows with OEM code page 437 (the console's code
// page of US and many Western systems), without files or processes: UTF-8
// text in, the bytes of code page 437 out, nothing when a character has no
// exact equivalent there (as WideCharToMultiByte with no best fit). Invalid
// UTF-8 has none either: Windows decodes it to U+FFFD, which 437 lacks.
class Oem437Platform : public JobPlatform {
 public:
  std::optional<std::string> EncodeForScript(const std::string& text) const override;

  void OpenForAppend(int, const std::string&) override { Unused(); }
  void WriteLine(int, const std::string&) override { Unused(); }
  void Close(int) override { Unused(); }
  void Delete(const std::string&) override { Unused(); }
  void DeleteIfPresent(const std::string&) override { Unused(); }
  void Start(const std::string&) override { Unused(); }

 private:
  [[noreturn]] static void Unused() { throw std::logic_error("Oem437Platform has no files"); }
};

}  // namespace vok::test
