#include "drop.h"

#include <optional>

namespace vok {

const char* const kDropRefusedTitle = "Drop Refused";
const char* const kDropRefusedPrompt =
    "Drop one folder to fill the Compile box, one .vok file to fill the Decompile box, or one of "
    "each.";

namespace {

constexpr char kSeparator = '\\';

std::string WithoutTrailingSeparator(std::string path) {
  if (!path.empty() && path.back() == kSeparator) path.pop_back();
  return path;
}

// "C:\" or "\\server\share": a folder that no folder holds, which the tool
// cannot pack beside itself.
bool IsRoot(const std::string& folder) {
  const std::string path = WithoutTrailingSeparator(folder);
  if (path.size() == 2 && path[1] == ':') return true;
  if (path.rfind("\\\\", 0) != 0) return false;
  const std::size_t share = path.find(kSeparator, 2);
  return share == std::string::npos || path.find(kSeparator, share + 1) == std::string::npos;
}

// The path relative to the working folder when it lies inside it, whole
// components compared as Windows compares them; otherwise the path itself.
// Names the same to the file system may differ in length in UTF-8 ("Ⱥ" and
// "ⱥ"), so each leading run of whole components is compared.
std::string AsTyped(const std::string& path, const JobPlatform& platform) {
  const std::string base = WithoutTrailingSeparator(platform.WorkingFolder()) + kSeparator;
  for (std::size_t end = path.find(kSeparator); end != std::string::npos && end + 1 < path.size();
       end = path.find(kSeparator, end + 1)) {
    if (platform.SameIgnoringCase(path.substr(0, end + 1), base)) return path.substr(end + 1);
  }
  return path;
}

// The path less ".vok" in any case, or nothing for another kind of file.
std::optional<std::string> ArchiveName(const std::string& path, const JobPlatform& platform) {
  const std::string extension = kUnpackJob.suffix;
  const std::size_t stem = path.size() - extension.size();
  if (path.size() <= extension.size() + 1 || path[stem - 1] == kSeparator ||
      !platform.SameIgnoringCase(path.substr(stem), extension)) {
    return std::nullopt;
  }
  return path.substr(0, stem);
}

}  // namespace

void FillFromDrop(const std::vector<std::string>& paths, PlatformUi& ui, JobPlatform& platform) {
  std::optional<std::string> fill[kJobCount];
  bool refused = paths.empty();
  for (const std::string& path : paths) {
    std::optional<std::string> name;
    const JobKind* job = &kPackJob;
    switch (platform.KindOf(path)) {
      case PathKind::kFolder:
        if (!IsRoot(path)) name = WithoutTrailingSeparator(path);
        break;
      case PathKind::kFile:
        name = ArchiveName(path, platform);
        job = &kUnpackJob;
        break;
      case PathKind::kMissing:
        break;
    }
    refused = refused || !name || fill[job->index];
    if (name) fill[job->index] = AsTyped(*name, platform);
  }
  if (refused) return ui.Warn(kDropRefusedPrompt, kDropRefusedTitle);
  for (const JobKind* job : {&kPackJob, &kUnpackJob}) {
    if (!fill[job->index]) continue;
    ui.SetText(*job, *fill[job->index]);
    ui.Focus(*job);
  }
}

}  // namespace vok
