#include "crc32.h"

#include <array>

namespace vok {
namespace {

using Table = std::array<std::uint32_t, 256>;

Table MakeTable() {
  Table table{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t value = byte;
    for (int bit = 0; bit < 8; ++bit)
      value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[byte] = value;
  }
  return table;
}

}  // namespace

void Crc32::Update(const void* data, std::size_t size) {
  static const Table table = MakeTable();
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::uint32_t state = state_;
  for (std::size_t i = 0; i < size; ++i) state = table[(state ^ bytes[i]) & 0xFFu] ^ (state >> 8);
  state_ = state;
}

}  // namespace vok
