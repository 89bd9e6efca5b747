#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace vok {

// The full paths of a drop, none when it cannot be read; the drop is freed,
// whatever happens. SHELL32 is loaded from the system folder on the first
// drop: importing it would slow every start for a feature that many runs
// never use.
std::vector<std::string> TakeDroppedPaths(HDROP drop);

}  // namespace vok
