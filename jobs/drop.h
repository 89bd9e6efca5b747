#pragma once

#include <string>
#include <vector>

#include "job_platform.h"

namespace vok {

extern const char* const kDropRefusedTitle;
extern const char* const kDropRefusedPrompt;

// Fills the text boxes from full paths dropped on the window: a folder the
// pack box, a .vok file the unpack box with its name less the extension, one
// of each both boxes, and the focus goes to the box filled (the unpack box
// when both are). A path inside the working folder is written relative to
// it, any other in full. Anything else (another kind of file, two folders or
// two .vok files, a drive's root, a path that is gone) is refused with a
// warning, both boxes as they were. A drop never starts a job.
void FillFromDrop(const std::vector<std::string>& paths, PlatformUi& ui, JobPlatform& platform);

}  // namespace vok
