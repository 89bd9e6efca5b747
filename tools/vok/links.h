#pragma once

#include <filesystem>

namespace vok {

// True for a symbolic link, and on Windows for a junction too: an entry that
// leads somewhere else. The standard library can't tell on Windows, where
// its symlink_status follows links.
bool IsLink(const std::filesystem::path& path);

// Deletes `path` and, for a folder, everything in it. A link is deleted
// itself, never what it leads to. What cannot be deleted stays.
void RemoveTree(const std::filesystem::path& path);

}  // namespace vok
