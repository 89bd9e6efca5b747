#pragma once

#include <cstdint>
#include <filesystem>

namespace vok {

// What an archive holds: files, folders and the bytes in the files.
struct Totals {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
};

// Packs the tree under `folder` into `archive`, replacing any file there only
// once the new archive is complete. Throws VokError; a failure leaves no
// broken archive behind.
Totals PackFolder(const std::filesystem::path& folder, const std::filesystem::path& archive);

// Unpacks `archive` into `folder`, which must not exist yet. Throws VokError
// for a damaged or unsafe archive; a failure leaves no folder behind.
Totals UnpackArchive(const std::filesystem::path& archive, const std::filesystem::path& folder);

}  // namespace vok
