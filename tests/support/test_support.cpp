#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include "win32_job_platform.h"
#else
#include <unistd.h>

#include "posix_job_platform.h"
#endif

namespace fs = std::filesystem;

namespace vok::test {

TestPlatform::TestPlatform() {
#ifdef _WIN32
  platform = std::make_unique<Win32JobPlatform>();
#else
  platform = std::make_unique<PosixJobPlatform>([this](const std::string& name) {
    startedNames.push_back(name);
    startedContents.push_back(ReadBytes(name));
  });
#endif
}

std::string ReadBytes(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& fileName, const std::string& bytes) {
  std::ofstream(fileName, std::ios::binary) << bytes;
}

bool Exists(const std::string& fileName) {
  return fs::exists(fileName);
}

std::vector<std::string> ListDir() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    if (name != "vok.exe" && name != "vok-calls.txt") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vok::test

namespace vok::test {
namespace {

std::vector<ToolCall> ParseCalls(const std::string& log) {
  std::vector<ToolCall> calls;
  std::istringstream in(log);
  std::string line;
  bool complete = false;
  while (std::getline(in, line)) {
    if (line == "call") {
      calls.emplace_back();
      complete = false;
    } else if (line == "end") {
      complete = true;
    } else if (!calls.empty() && line.rfind("cmdline=", 0) == 0) {
      calls.back().commandLine = line.substr(8);
    } else if (!calls.empty() && line.rfind("arg=", 0) == 0) {
      calls.back().args.push_back(line.substr(4));
    }
  }
  if (!complete && !calls.empty()) calls.pop_back();
  return calls;
}

#ifdef _WIN32
// True once no other process holds the file open (or it is gone).
bool IsReleased(const wchar_t* fileName) {
  HANDLE file = CreateFileW(fileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return true;
  }
  return GetLastError() != ERROR_SHARING_VIOLATION;
}
#endif

}  // namespace

void InstallRecordingTool() {
#ifdef _WIN32
  fs::copy_file(VOK_RECORDER_PATH, "vok.exe", fs::copy_options::overwrite_existing);
#endif
}

std::vector<ToolCall> WaitForToolCalls(std::size_t count) {
#ifdef _WIN32
  std::vector<ToolCall> calls;
  for (int waited = 0; waited < 30000; waited += 20) {
    calls = ParseCalls(ReadBytes("vok-calls.txt"));
    if (calls.size() >= count && IsReleased(L"compile.bat") && IsReleased(L"decompile.bat")) {
      break;
    }
    Sleep(20);
  }
  return calls;
#else
  (void)count;
  return ParseCalls("");
#endif
}

}  // namespace vok::test
