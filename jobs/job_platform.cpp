#include "job_platform.h"

#include <utility>

namespace vok {

PlatformError::PlatformError(std::string operation, std::string fileName, std::string systemText)
    : std::runtime_error("Could not " + operation + " \"" + fileName + "\": " + systemText),
      operation_(std::move(operation)),
      fileName_(std::move(fileName)),
      systemText_(std::move(systemText)) {}

namespace {

// Length of the UTF-8 sequence that starts with `lead`, or 0 when invalid.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

bool IsValidUtf8(const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(bytes[i]));
    if (length == 0 || i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace vok
