// The jobs on the real POSIX file layer, as tables: the script lines for typed
// names, the names refused, the cleanup at exit, and failures on the way.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

#include "jobs.h"
#include "posix_job_platform.h"
#include "test_files.h"

namespace vok::test {
namespace {

using Files = std::map<std::string, std::string>;

class Jobs : public ::testing::Test, PlatformUi {
 protected:
  // Types the name into the job's box and presses its button; returns the
  // warnings ("<title>: <prompt>") and focus moves ("focus <box>") shown.
  std::vector<std::string> Press(const JobKind& job, const std::string& name) {
    typed_ = name;
    shown_.clear();
    RunJob(job, *this, platform_, session_);
    return shown_;
  }
  static Files Folder() {
    Files files;
    for (const auto& name : ListFolder()) files[name] = ReadFile(name);
    return files;
  }

  ScratchDir scratch_;
  // The real file layer; a start is recorded with the script's bytes then.
  PosixJobPlatform platform_{[this](const std::string& file) {
    if (startFails_) throw PlatformError("start", file, "no program for scripts");
    started_.push_back(file + ": " + ReadFile(file));
  }};
  JobSession session_;
  bool startFails_ = false;
  std::vector<std::string> started_;

 private:
  std::string ReadText(const JobKind&) override { return typed_; }
  void Warn(const std::string& prompt, const std::string& title) override {
    shown_.push_back(title + ": " + prompt);
  }
  void Focus(const JobKind& job) override { shown_.push_back(std::string("focus ") + job.textBox); }
  std::string typed_;
  std::vector<std::string> shown_;
};

const JobKind& JobOf(char letter) {
  return letter == 'd' ? kUnpackJob : kPackJob;
}

// Each job writes only its own script, replacing whatever stood there, and
// starts it once it is complete; a name it refuses leaves every file alone.
TEST_F(Jobs, TypedNamesGiveTheseScriptsOrWarnings) {
  std::vector<std::tuple<char, std::string, std::string>> cases;
  std::istringstream table(ReadFile(VOK_NAMES));
  for (std::string row; std::getline(table, row);) {
    const auto tab = row.find('\t', 2);
    if (row[0] != '#') cases.emplace_back(row[0], row.substr(2, tab - 2), row.substr(tab + 1));
  }
  ASSERT_GE(cases.size(), 20u);
  // Control characters, and the longest lines cmd.exe reads (8191 characters).
  const std::string unsafe = std::string("Invalid Name: ") + kUnsafeCharacterPrompt;
  const std::string tooLong = std::string("Invalid Name: ") + kTooLongPrompt;
  cases.insert(cases.end(),
               {{'d', "line\rbreak", unsafe},
                {'c', "tab\there", unsafe},
                {'c', std::string(8177, 'a'), "vok.exe c     " + std::string(8177, 'a')},
                {'c', std::string(8178, 'a'), tooLong},
                {'d', std::string(8173, 'a'), "vok.exe d     " + std::string(8173, 'a') + ".vok"},
                {'d', std::string(8174, 'a'), tooLong},
                {'d', std::string(100000, 'a'), tooLong}});
  for (const auto& [letter, typed, outcome] : cases) {
    SCOPED_TRACE(typed.substr(0, 30) + " (" + std::to_string(typed.size()) + ")");
    const Files mine = {{"compile.bat", "@echo mine\r\nbuild\r\n"}, {"decompile.bat", "mine\r\n"}};
    for (const auto& [name, bytes] : mine) WriteFile(name, bytes);
    started_.clear();
    const JobKind& job = JobOf(letter);
    const auto shown = Press(job, typed);
    Files expected = mine;
    if (outcome.rfind("vok.exe", 0) == 0) {
      expected[job.batchFileName] = outcome + "\r\n";
      EXPECT_EQ(started_, std::vector<std::string>{job.batchFileName + (": " + outcome + "\r\n")});
    }
    EXPECT_EQ(Folder(), expected);
    const std::vector<std::string> warned = {outcome, std::string("focus ") + job.textBox};
    EXPECT_EQ(shown, started_.empty() ? warned : std::vector<std::string>{});
  }
}

// Only the scripts this run wrote go at exit; one already gone is no error.
TEST_F(Jobs, CleanupRemovesOnlyOurScripts) {
  const std::tuple<std::string, Files, Files> kCases[] = {
      // jobs run, then the folder holds exactly these, and keeps these
      {"",
       {{"compile.bat", "mine"}, {"decompile.bat", "mine"}},
       {{"compile.bat", "mine"}, {"decompile.bat", "mine"}}},
      {"c", {{"compile.bat", "ours"}, {"decompile.bat", "mine"}}, {{"decompile.bat", "mine"}}},
      {"cd", {{"decompile.bat", "ours"}}, {}},
  };
  for (const auto& [pressed, present, kept] : kCases) {
    SCOPED_TRACE(pressed);
    session_ = {};
    for (char letter : pressed) Press(JobOf(letter), "name");
    for (const auto& name : ListFolder()) std::filesystem::remove(name);
    for (const auto& [name, bytes] : present) WriteFile(name, bytes);
    CleanupOnExit(platform_, session_);
    EXPECT_EQ(Folder(), kept);
    for (const auto& name : ListFolder()) std::filesystem::remove(name);
  }
}

// A failing operation carries the file and the system's text to the caller,
// and the job's later steps are not done.
TEST_F(Jobs, FailuresStopTheJob) {
  std::filesystem::create_directory("compile.bat");  // nothing can open a file by that name
  WriteFile("decompile.bat", "mine\r\n");
  try {
    Press(kPackJob, "data");
    ADD_FAILURE() << "no PlatformError";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.what(), "Could not open \"compile.bat\": " + std::string(strerror(EISDIR)));
  }
  EXPECT_EQ(Folder(), (Files{{"compile.bat", ""}, {"decompile.bat", "mine\r\n"}}));
  // A script that cannot be started stays written, and is ours to remove.
  startFails_ = true;
  EXPECT_THROW(Press(kUnpackJob, "save"), PlatformError);
  EXPECT_EQ(ReadFile("decompile.bat"), "vok.exe d     save.vok\r\n");
  CleanupOnExit(platform_, session_);
  EXPECT_EQ(ListFolder(), std::vector<std::string>{"compile.bat"});
  EXPECT_TRUE(started_.empty());
}

}  // namespace
}  // namespace vok::test
