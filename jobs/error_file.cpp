#include "error_file.h"

#include <algorithm>
#include <cstring>

namespace vok {

bool MaySweepIn(const std::string& folder) {
  const bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
  return drive || folder.rfind("\\\\", 0) == 0;
}

bool MaySweep(const FoundFile& file) {
  const std::size_t prefix = std::strlen(kErrorFilePrefix), suffix = std::strlen(kErrorFileSuffix);
  const std::string& name = file.name;
  if (name.size() != prefix + 32 + suffix || name.rfind(kErrorFilePrefix, 0) != 0 ||
      name.compare(prefix + 32, suffix, kErrorFileSuffix) != 0) {
    return false;
  }
  const auto digits = name.begin() + static_cast<std::ptrdiff_t>(prefix);
  const bool hex = std::all_of(
      digits, digits + 32, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
  const bool ours = file.owner == Owner::kUser || file.owner == Owner::kDefaultOwner;
  return hex && !file.link && ours;
}

}  // namespace vok
