#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "job_platform.h"
#include "scratch_dir.h"

namespace vok::test {

// The window as the jobs see it: typed texts in, warnings and focus recorded.
class FakeUi : public PlatformUi {
 public:
  std::string text[2];
  std::vector<std::string> events;  // "warn:<title>:<prompt>" and "focus:<text box>"

  std::string ReadText(const JobKind& job) override { return text[job.index]; }
  void Warn(const std::string& prompt, const std::string& title) override {
    events.push_back("warn:" + title + ":" + prompt);
  }
  void Focus(const JobKind& job) override { events.push_back(std::string("focus:") + job.textBox); }
};

// The platform's real file layer. On Windows scripts really start through the
// command interpreter; elsewhere each start is recorded with the script's
// bytes at that moment.
struct TestPlatform {
  TestPlatform();
  std::unique_ptr<JobPlatform> platform;
  std::vector<std::string> startedNames;     // recorded where scripts can't run
  std::vector<std::string> startedContents;  // the script's bytes when started
};

std::string ReadBytes(const std::string& fileName);
void WriteBytes(const std::string& fileName, const std::string& bytes);
bool Exists(const std::string& fileName);
// The names in the working directory, sorted, less the recording tool's own.
std::vector<std::string> ListDir();

}  // namespace vok::test

namespace vok::test {

// One call of the recording tool: the raw command line and the arguments.
struct ToolCall {
  std::string commandLine;
  std::vector<std::string> args;
};

// Puts the recording tool into the working directory as vok.exe (Windows only).
void InstallRecordingTool();
// Waits until the recording tool has logged `count` calls and the command
// interpreters that ran them have let go of the scripts; returns the calls.
// Where scripts can't run, returns no calls at once.
std::vector<ToolCall> WaitForToolCalls(std::size_t count);

}  // namespace vok::test
