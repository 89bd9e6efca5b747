#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>

namespace vok {

// CRC-32 as in zip and PNG (zlib's: reflected polynomial 0xEDB88320), fed in
// pieces.
class Crc32 {
 public:
  void Update(const void* data, std::size_t size) {
    state_ = crc32_z(state_, static_cast<const Bytef*>(data), size);
  }
  std::uint32_t Value() const { return static_cast<std::uint32_t>(state_); }

 private:
  uLong state_ = crc32_z(0, Z_NULL, 0);
};

}  // namespace vok
