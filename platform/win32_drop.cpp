// The paths of a drop from Explorer, read through SHELL32.
#include "win32_drop.h"

#include "win32_function.h"
#include "win32_text.h"

namespace vok {
namespace {

// SHELL32 from the system folder: by the search flag, or by its full path
// on a Windows 7 without the update that brings the flag.
HMODULE LoadShell32() {
  HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (shell || GetLastError() != ERROR_INVALID_PARAMETER) return shell;
  const std::wstring folder = SystemFolder();
  if (folder.empty()) return nullptr;
  return LoadLibraryExW((folder + L"\\shell32.dll").c_str(), nullptr, 0);
}

// SHELL32's functions for reading a drop, loaded on the first drop:
// importing SHELL32 would slow every start for a feature that many runs
// never use. Null where SHELL32 could not be had.
struct ShellDrop {
  UINT(WINAPI* queryFile)(HDROP, UINT, LPWSTR, UINT);
  void(WINAPI* finish)(HDROP);
};

const ShellDrop& ShellDropFunctions() {
  static const ShellDrop functions = [] {
    HMODULE shell = LoadShell32();
    return ShellDrop{
        ExportedFunction<decltype(ShellDrop::queryFile)>(shell, "DragQueryFileW"),
        ExportedFunction<decltype(ShellDrop::finish)>(shell, "DragFinish"),
    };
  }();
  return functions;
}

}  // namespace

std::vector<std::string> TakeDroppedPaths(HDROP drop) {
  const ShellDrop& shell = ShellDropFunctions();
  struct Finish {
    const ShellDrop& shell;
    HDROP drop;
    // DragFinish frees the drop's global memory, which is all it holds.
    ~Finish() { shell.finish ? shell.finish(drop) : (void)GlobalFree(drop); }
  } finish{shell, drop};
  std::vector<std::string> paths;
  if (!shell.queryFile) return paths;
  const UINT count = shell.queryFile(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(shell.queryFile(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(shell.queryFile(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(WideToUtf8(path));
  }
  return paths;
}

}  // namespace vok
