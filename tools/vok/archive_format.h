#pragma once

// The layout of a .vok archive, shared by the packer and the unpacker.
// FORMAT.md beside this file describes it in full.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vok {

// PNG-style: the high byte and the CR LF / EOF bytes reveal archives mangled
// by text-mode transfers.
inline constexpr std::string_view kArchiveMagic("\x89VOK\r\n\x1A\n", 8);
inline constexpr std::uint32_t kArchiveVersion = 1;

enum class EntryKind : std::uint8_t { kEnd = 0, kFile = 1, kFolder = 2 };

// Longer paths cannot exist on Windows; the cap also keeps a corrupt length
// from asking for a huge buffer.
inline constexpr std::size_t kMaxEntryPathBytes = 32767;

// File bytes move in chunks of this size, so memory use does not grow with
// file size.
inline constexpr std::size_t kChunkBytes = 256 * 1024;

// Little-endian integers of `byteCount` bytes.
inline void AppendLittleEndian(std::string& out, std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

inline std::uint64_t ParseLittleEndian(const unsigned char* bytes, int byteCount) {
  std::uint64_t value = 0;
  for (int i = byteCount - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace vok
