#include "links.h"

#include <system_error>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace vok {
namespace {

// Deletes one file, empty folder or link, never following a link.
void RemoveEntry(const fs::path& path) {
#ifdef _WIN32
  // A link to a folder (a junction too) carries the folder attribute itself
  // and is deleted as a folder: its target stays as it was.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    RemoveDirectoryW(path.c_str());
  } else {
    DeleteFileW(path.c_str());
  }
#else
  std::error_code ignored;
  fs::remove(path, ignored);
#endif
}

}  // namespace

bool IsLink(const fs::path& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  // Links and junctions name another entry; other reparse points, such as
  // OneDrive's files and folders, hold their own contents.
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  FindClose(search);
  return IsReparseTagNameSurrogate(found.dwReserved0);
#else
  std::error_code ignored;
  return fs::is_symlink(fs::symlink_status(path, ignored));
#endif
}

void RemoveTree(const fs::path& root) {
  // Depth first with a list rather than recursion, as the tree may be
  // thousands of folders deep. Each folder is listed once, then deleted
  // once its contents are gone. fs::status follows links, as it does on
  // Windows: only IsLink keeps a link from being entered.
  std::vector<std::pair<fs::path, bool>> pending = {{root, false}};  // path, listed
  while (!pending.empty()) {
    std::error_code error;
    if (pending.back().second || IsLink(pending.back().first) ||
        !fs::is_directory(fs::status(pending.back().first, error))) {
      RemoveEntry(pending.back().first);
      pending.pop_back();
      continue;
    }
    pending.back().second = true;
    const fs::path folder = pending.back().first;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      pending.emplace_back(it->path(), false);
    }
  }
}

}  // namespace vok
