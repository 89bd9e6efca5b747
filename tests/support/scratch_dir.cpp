#include "scratch_dir.h"

#include <atomic>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vok::test {

ScratchDir::ScratchDir() : previous_(fs::current_path()) {
  static std::atomic<int> counter{0};
#ifdef _WIN32
  const auto pid = static_cast<long>(GetCurrentProcessId());
#else
  const auto pid = static_cast<long>(getpid());
#endif
  path_ = fs::temp_directory_path() /
          ("vok-test-" + std::to_string(pid) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
  fs::current_path(path_);
}

ScratchDir::~ScratchDir() {
  fs::current_path(previous_);
  std::error_code ignored;  // a script still running may hold a file for a moment
  fs::remove_all(path_, ignored);
}

}  // namespace vok::test
