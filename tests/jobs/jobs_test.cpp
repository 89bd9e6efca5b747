// The jobs on the real POSIX file layer, as tables: what a typed name gives
// (a script line or a warning), failures, drops, and what the user is told
// when a script fails.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "console_code_page.h"
#include "drop.h"
#include "error_file.h"
#include "error_text.h"
#include "jobs.h"
#include "posix_job_platform.h"
#include "test_files.h"

namespace vok::test {
namespace {

using Files = std::map<std::string, std::string>;
using Strings = std::vector<std::string>;

// The window as the jobs see it, and the real file layer, where a start is
// recorded with the script's bytes and what the platform tells of running
// scripts is the test's to set.
class Jobs : public ::testing::Test, protected PlatformUi, protected PosixJobPlatform {
 protected:
  Jobs()
      : PosixJobPlatform([this](const std::string& file) {
          started_.push_back(file + ": " + ReadFile(file));
        }) {}
  // Types the name into the job's box and presses its button; returns the
  // warnings ("<title>: <prompt>") and focus moves ("focus <job>") shown.
  Strings Press(const JobKind& job, const std::string& name) {
    typed_ = name;
    shown_.clear();
    RunJob(job, *this, *this, session_);
    return shown_;
  }
  static Files Folder() {
    Files files;
    for (const auto& name : ListFolder()) files[name] = ReadFile(name);
    return files;
  }
  std::string ReadText(const JobKind&) override { return typed_; }
  void SetText(const JobKind& job, const std::string& text) override {
    shown_.push_back(job.name + ("=" + text));
  }
  PathKind KindOf(const std::string& path) const override {
    const auto kind = kinds_.find(path);
    return kind == kinds_.end() ? PathKind::kMissing : kind->second;
  }
  void Warn(const std::string& prompt, const std::string& title) override {
    shown_.push_back(title + ": " + prompt);
  }
  void Focus(const JobKind& job) override { shown_.push_back(std::string("focus ") + job.name); }
  std::string WorkingFolder() const override { return folder_; }
  Reservation ReserveScript(const std::string&) override { return reservation_; }
  // Another user's file may appear between the delete and the write.
  void Delete(const std::string& file) override {
    PosixJobPlatform::Delete(file);
    if (plant_) WriteFile(file, "planted\r\n");
  }
  std::vector<ScriptEnd> TakeEndedScripts() override { return std::exchange(ended_, {}); }

  ScratchDir scratch_;
  JobSession session_;
  std::string typed_, folder_;
  Strings shown_, started_;
  bool plant_ = false;
  Reservation reservation_ = Reservation::kReserved;
  std::vector<ScriptEnd> ended_;
  std::map<std::string, PathKind> kinds_;
};

const JobKind& JobOf(char letter) {
  return letter == 'd' ? kUnpackJob : kPackJob;
}

// Each job writes only its own script, replacing whatever stood there, and
// starts it once it is complete; a job it refuses leaves every file alone.
TEST_F(Jobs, TypedNamesGiveTheseScriptsOrWarnings) {
  struct Case {
    char letter;
    std::string typed, outcome;
    std::string state = "";  // "running" (the job's last script), or the working folder
  };
  std::vector<Case> cases;
  for (const Strings& row : TableRows(VOK_NAMES, 4, true)) {
    cases.push_back({row[0][0], row[1], row[2], row[3]});
  }
  ASSERT_GE(cases.size(), 20u);
  // A control character, and the longest line cmd.exe reads (8191 characters).
  const std::string a8177(8177, 'a');
  cases.insert(cases.end(),
               {{'d', "line\rbreak", std::string("Invalid Name: ") + kUnsafeCharacterPrompt},
                {'c', a8177, "vok.exe c     " + a8177},
                {'c', a8177 + "a", std::string("Invalid Name: ") + kTooLongPrompt}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.substr(0, 30) + " (" + std::to_string(c.typed.size()) + ")");
    const Files mine = {{"compile.bat", "@echo mine\r\nbuild\r\n"}, {"decompile.bat", "mine\r\n"}};
    for (const auto& [name, bytes] : mine) WriteFile(name, bytes);
    started_.clear();
    reservation_ = c.state == "running" ? Reservation::kRunning
                   : c.state == "taken" ? Reservation::kTaken
                                        : Reservation::kReserved;
    folder_ = c.state.rfind("\\\\", 0) == 0 ? c.state : "C:\\games";
    const JobKind& job = JobOf(c.letter);
    const Strings shown = Press(job, c.typed);
    Files expected = mine;
    if (c.outcome.rfind("vok.exe", 0) == 0) {
      expected[job.batchFileName] = c.outcome + "\r\n";
      EXPECT_EQ(started_, Strings{job.batchFileName + (": " + c.outcome + "\r\n")});
    }
    EXPECT_EQ(Folder(), expected);
    const Strings warned = {c.outcome, "focus " + std::string(job.name)};
    EXPECT_EQ(shown, started_.empty() ? warned : Strings{});
  }
}

// A link in a script's place, dangling or to the user's file, is replaced by
// the script: what it pointed to is neither created nor changed.
TEST_F(Jobs, ALinkInTheScriptsPlaceIsNotFollowed) {
  namespace fs = std::filesystem;
  fs::create_directory("elsewhere");
  WriteFile("elsewhere/notes.txt", "the user's\r\n");
  fs::create_symlink("elsewhere/notes.txt", "compile.bat");
  fs::create_symlink("elsewhere/new.txt", "decompile.bat");
  Press(kPackJob, "data");
  Press(kUnpackJob, "save");
  EXPECT_EQ(Folder(), (Files{{"compile.bat", "vok.exe c     data\r\n"},
                             {"decompile.bat", "vok.exe d     save.vok\r\n"},
                             {"elsewhere", ""}}));
  EXPECT_EQ(ListFolder("elsewhere"), Strings{"notes.txt"});
  EXPECT_EQ(ReadFile("elsewhere/notes.txt"), "the user's\r\n");
}

// A file that appears between the delete and the write (another user's, or
// a link) stops the job with a failure: it is not written into.
TEST_F(Jobs, AFileThatAppearsBeforeTheWriteStopsTheJob) {
  plant_ = true;
  EXPECT_THROW(Press(kUnpackJob, "save"), PlatformError);
  EXPECT_EQ(Folder(), (Files{{"decompile.bat", "planted\r\n"}}));
}

// What the user is told when a script ends: nothing for success, whatever it
// wrote to standard error; else why, and the end of what it wrote there.
TEST_F(Jobs, ScriptEndsAreToldAsTheTableSays) {
  folder_ = "C:\\games";
  for (const Strings& row : TableRows(VOK_SCRIPT_ENDS, 3)) {
    session_.running[1] = {&kPackJob, "data"};
    ended_ = {{1, static_cast<std::uint32_t>(std::stoul(row[0])), row[1]}};
    shown_.clear();
    ReportEndedScripts(*this, *this, session_);
    EXPECT_EQ(shown_, row[2] == "-" ? Strings{} : Strings{"Job Failed: " + row[2]}) << row[0];
  }
}

// What a failure's box shows of the script's standard error, from the table
// and for a line longer than the 1,000 characters shown: its end.
TEST_F(Jobs, ErrorTextShowsTheLastLines) {
  std::vector<std::tuple<std::string, ScriptEnd, std::string>> cases;
  for (const Strings& row : TableRows(VOK_ERROR_TEXTS, 4)) {
    cases.push_back({row[0], {1, 1, row[2], row[1] == "cut"}, row[3]});
  }
  ASSERT_GE(cases.size(), 15u);
  const std::string a(1500, 'a');
  cases.push_back({"one long line",
                   {1, 1, a + "\xC3\xA9"},
                   "(earlier lines left out)\n" + a.substr(0, 999) + "\xC3\xA9"});
  for (const auto& [name, end, shown] : cases) {
    EXPECT_EQ(ErrorTextOf(end, *this), shown) << name;
  }
}

// What a drop of files and folders fills in, or that it is refused.
TEST_F(Jobs, DropsFillTheBoxesOrAreRefused) {
  for (const Strings& row : TableRows(VOK_DROPS, 3, true)) {
    SCOPED_TRACE(row[1]);
    folder_ = row[0];
    const std::string &paths = row[1], &expected = row[2];
    Strings dropped;
    kinds_.clear();
    for (std::size_t from = 0, to = 0; to != std::string::npos; from = to + 3) {
      to = paths.find(" | ", from);
      std::string path = paths.substr(from, to - from);
      const bool gone = path[0] == '?';
      if (gone) path.erase(0, 1);
      if (!gone) kinds_[path] = path.back() == '\\' ? PathKind::kFolder : PathKind::kFile;
      dropped.push_back(path);
    }
    shown_.clear();
    FillFromDrop(dropped, *this, *this);
    std::string told;
    for (const auto& line : shown_) told += (told.empty() ? "" : " | ") + line;
    EXPECT_EQ(told, expected == "refused"
                        ? std::string(kDropRefusedTitle) + ": " + kDropRefusedPrompt
                        : expected);
  }
}

// What the start's sweep of leftover error files may delete: in the
// temporary folder named in full, files of the error files' shape, no link,
// the user's own.
TEST(ErrorFiles, TheSweepTakesOnlyOurOwn) {
  const auto rows = TableRows(VOK_SWEEP, 5, true);
  ASSERT_GE(rows.size(), 8u);
  for (const Strings& row : rows) {
    const Owner owner = row[3] == "ours"            ? Owner::kUser
                        : row[3] == "default owner" ? Owner::kDefaultOwner
                        : row[3] == "unknown"       ? Owner::kUnknown
                                                    : Owner::kOther;
    const FoundFile file = {row[1], row[2] == "link", owner};
    EXPECT_EQ(MaySweepIn(row[0]) && MaySweep(file), row[4] == "swept")
        << row[0] << row[1] << row[2] << row[3];
  }
}

// The code pages a script's console may read it in, as the console host
// takes them from the user's settings.
TEST(ConsoleCodePage, FollowsTheSettingsAsTheConsoleHostReadsThem) {
  const auto value = [](const std::string& text) {
    CodePageSetting setting;
    if (text == "-") return setting;
    setting.state = CodePageSetting::State::kUnreadable;
    if (text == "?") return setting;
    setting.state = CodePageSetting::State::kNumber;
    setting.number = static_cast<std::uint32_t>(std::stoul(text));
    setting.installed = text.back() != '*';
    return setting;
  };
  for (const Strings& fields : TableRows(VOK_CONSOLE_CODE_PAGES, 5, true)) {
    SCOPED_TRACE(fields[0] + " " + fields[2] + " " + fields[3]);
    ConsoleSettings settings;
    settings.oem = static_cast<std::uint32_t>(std::stoul(fields[0]));
    settings.classicHost = fields[1] == "yes";
    settings.forAll = value(fields[2]);
    settings.forTitle = value(fields[3]);
    const ConsoleCodePages pages = PossibleConsoleCodePages(settings);
    std::string possible;
    for (std::uint32_t codePage : pages.possible) possible += std::to_string(codePage) + " ";
    EXPECT_EQ(possible + (pages.unknown ? "?" : ""), fields[4] + (pages.unknown ? "" : " "));
  }
}

}  // namespace
}  // namespace vok::test
