#pragma once

#include <string>
#include <string_view>

namespace vok {

// Why `path` (UTF-8, '/' separators, relative to the archive's folder) may
// not be stored in an archive or created on unpacking: it could reach outside
// the folder, or Windows could not hold it. Empty when the path is fine.
// Packing and unpacking apply the same rules, so every archive that vok
// writes can be unpacked on Windows.
std::string EntryPathProblem(std::string_view path);

}  // namespace vok
