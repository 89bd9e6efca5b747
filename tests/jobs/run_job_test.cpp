// The jobs against the platform's real file layer: the bytes of the scripts,
// what the tool receives, the refusals and the cleanup at exit.
#include <gtest/gtest.h>

#include <algorithm>

#include "jobs.h"
#include "test_support.h"

namespace vok::test {
namespace {

class JobsTest : public ::testing::Test {
 protected:
  JobsTest() { InstallRecordingTool(); }

  void Run(const JobKind& job, const std::string& typed) {
    ui.text[job.index] = typed;
    RunJob(job, ui, *test.platform, session);
  }

  ScratchDir scratch;
  FakeUi ui;
  TestPlatform test;
  JobSession session;
};

TEST_F(JobsTest, PlainNamesGiveTheExactScriptBytes) {
  Run(kPackJob, "data");
  Run(kUnpackJob, "save");
  EXPECT_EQ(ReadBytes("compile.bat"), "vok.exe c     data\r\n");
  EXPECT_EQ(ReadBytes("decompile.bat"), "vok.exe d     save.vok\r\n");
  EXPECT_TRUE(ui.events.empty());

  const auto calls = WaitForToolCalls(2);
#ifdef _WIN32
  // The two scripts run side by side, in either order.
  ASSERT_EQ(calls.size(), 2u);
  std::vector<std::vector<std::string>> args = {calls[0].args, calls[1].args};
  std::sort(args.begin(), args.end());
  EXPECT_EQ(args, (std::vector<std::vector<std::string>>{{"c", "data"}, {"d", "save.vok"}}));
#else
  EXPECT_EQ(test.startedNames, std::vector<std::string>({"compile.bat", "decompile.bat"}));
  // Each script was complete when it was started.
  EXPECT_EQ(test.startedContents[0], "vok.exe c     data\r\n");
  EXPECT_EQ(test.startedContents[1], "vok.exe d     save.vok\r\n");
#endif
}

struct TypedName {
  const JobKind* job;
  std::string typed;
  std::string line;  // the script line expected without CR LF
};

// Each name must reach the tool as exactly one argument equal to what was
// typed (plus ".vok" for unpacking), however cmd.exe and the C runtime read it.
const TypedName kAwkwardNames[] = {
    {&kPackJob, "my data", "vok.exe c     \"my data\""},
    {&kPackJob, "100%done", "vok.exe c     100%%done"},
    {&kPackJob, "%PATH%", "vok.exe c     %%PATH%%"},
    {&kPackJob, "a>b", "vok.exe c     \"a>b\""},
    {&kPackJob, "x & del /q *", "vok.exe c     \"x & del /q *\""},
    {&kPackJob, "a^b|c<d", "vok.exe c     \"a^b|c<d\""},
    {&kPackJob, "(x),y;z=1", "vok.exe c     \"(x),y;z=1\""},
    {&kPackJob, "dir\\", "vok.exe c     dir\\"},
    {&kPackJob, "my dir\\", "vok.exe c     \"my dir\\\\\""},
    {&kPackJob, "a b\\\\", "vok.exe c     \"a b\\\\\\\\\""},
    {&kPackJob, "   ", "vok.exe c     \"   \""},
    {&kPackJob, " lead and trail ", "vok.exe c     \" lead and trail \""},
    {&kPackJob, "!bang!", "vok.exe c     !bang!"},
    {&kPackJob, "caf\xC3\xA9", "vok.exe c     caf\xC3\xA9"},
    {&kUnpackJob, "save.vok", "vok.exe d     save.vok.vok"},
    {&kUnpackJob, "my save", "vok.exe d     \"my save.vok\""},
    {&kUnpackJob, "50% off", "vok.exe d     \"50%% off.vok\""},
};

TEST_F(JobsTest, AwkwardNamesReachTheToolAsOneArgument) {
  std::size_t runs = 0;
  for (const auto& name : kAwkwardNames) {
    SCOPED_TRACE(name.typed);
    Run(*name.job, name.typed);
    // Rewriting a script beneath a command interpreter that still runs it
    // would mix the two runs: let each finish first.
    WaitForToolCalls(++runs);
    const std::string script = ReadBytes(name.job->batchFileName);
#ifdef _WIN32
    // The script is in the OEM code page (437 here): é is 0x82.
    if (name.typed == "caf\xC3\xA9") {
      EXPECT_EQ(script, "vok.exe c     caf\x82\r\n");
    }
#else
    EXPECT_EQ(script, name.line + "\r\n");
#endif
  }
#ifdef _WIN32
  const auto calls = WaitForToolCalls(std::size(kAwkwardNames));
  ASSERT_EQ(calls.size(), std::size(kAwkwardNames));
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const auto& name = kAwkwardNames[i];
    const std::string letter = name.job == &kPackJob ? "c" : "d";
    EXPECT_EQ(calls[i].args, std::vector<std::string>({letter, name.typed + name.job->suffix}))
        << calls[i].commandLine;
  }
#endif
}

TEST_F(JobsTest, EmptyNameWarnsWithTheJobsOwnTextAndChangesNothing) {
  WriteBytes("compile.bat", "foreign\r\n");
  Run(kPackJob, "");
  Run(kUnpackJob, "");
  EXPECT_EQ(
      ui.events,
      std::vector<std::string>(
          {"warn:No File:There isn't a folder to compile, please enter one", "focus:txtvokcom",
           "warn:No File:There isn't a file to decompile, please enter one", "focus:txtvokde"}));
  EXPECT_EQ(ListDir(), std::vector<std::string>({"compile.bat"}));
  EXPECT_EQ(ReadBytes("compile.bat"), "foreign\r\n");
  EXPECT_TRUE(test.startedNames.empty());
}

TEST_F(JobsTest, NamesThatCannotBePassedSafelyAreRefusedUntouched) {
  const std::string unsafe = std::string("warn:Invalid Name:") + kUnsafeCharacterPrompt;
  const std::string tooLong = std::string("warn:Invalid Name:") + kTooLongPrompt;
  struct Refused {
    std::string typed;
    std::string warning;
  };
  std::vector<Refused> refused = {
      {"say \"hi\"", unsafe},
      {"line\rbreak", unsafe},
      {"tab\there", unsafe},
      {"del\x7F", unsafe},
      // The longest line cmd.exe reads whole is 8191 characters.
      {std::string(8191 - 14 + 1, 'a'), tooLong},
      {std::string(100000, 'a'), tooLong},
  };
#ifdef _WIN32
  // No exact form in the OEM code page; a best-fit mapping would turn the
  // fullwidth quote into a real one and undo the quoting.
  refused.push_back({"a\xEF\xBC\x82 & calc", unsafe});
  refused.push_back({"\xE6\x97\xA5\xE6\x9C\xAC", unsafe});
#endif
  WriteBytes("compile.bat", "@echo mine\r\nbuild all\r\n");
  WriteBytes("decompile.bat", "theirs\r\n");
  for (const auto& name : refused) {
    SCOPED_TRACE(name.typed.substr(0, 40));
    for (const JobKind* job : {&kPackJob, &kUnpackJob}) {
      ui.events.clear();
      Run(*job, name.typed);
      EXPECT_EQ(ui.events,
                std::vector<std::string>({name.warning, std::string("focus:") + job->textBox}));
    }
  }
  EXPECT_EQ(ReadBytes("compile.bat"), "@echo mine\r\nbuild all\r\n");
  EXPECT_EQ(ReadBytes("decompile.bat"), "theirs\r\n");
  EXPECT_EQ(ListDir(), std::vector<std::string>({"compile.bat", "decompile.bat"}));
  EXPECT_TRUE(test.startedNames.empty());
}

TEST_F(JobsTest, LongestAcceptedLineIsWhatCmdReads) {
  const std::string name(8191 - 14, 'a');
  Run(kPackJob, name);
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(ReadBytes("compile.bat").size(), 8191u + 2u);
#ifdef _WIN32
  const auto calls = WaitForToolCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args, std::vector<std::string>({"c", name}));
#endif
}

TEST_F(JobsTest, EachJobReplacesOnlyItsOwnScript) {
  WriteBytes("compile.bat", "@echo off\r\nline two\r\nline three\r\n");
  WriteBytes("decompile.bat", "untouched\r\n");
  Run(kPackJob, "data");
  EXPECT_EQ(ReadBytes("compile.bat"), "vok.exe c     data\r\n");
  EXPECT_EQ(ReadBytes("decompile.bat"), "untouched\r\n");
  WaitForToolCalls(1);

  WriteBytes("compile.bat", "changed by hand\r\n");
  Run(kUnpackJob, "save");
  EXPECT_EQ(ReadBytes("compile.bat"), "changed by hand\r\n");
  EXPECT_EQ(ReadBytes("decompile.bat"), "vok.exe d     save.vok\r\n");
  WaitForToolCalls(2);
}

TEST_F(JobsTest, PressingTwiceRewritesAndStartsTwice) {
  Run(kPackJob, "first");
  WaitForToolCalls(1);
  Run(kPackJob, "second");
  EXPECT_EQ(ReadBytes("compile.bat"), "vok.exe c     second\r\n");
  EXPECT_EQ(session.lastAcceptedName[kPackJob.index], "second");
#ifdef _WIN32
  const auto calls = WaitForToolCalls(2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].args, std::vector<std::string>({"c", "second"}));
#else
  EXPECT_EQ(test.startedNames.size(), 2u);
#endif
}

TEST_F(JobsTest, CleanupRemovesOnlyTheScriptsThisRunWrote) {
  // Nothing written: a user's own scripts survive the exit.
  WriteBytes("compile.bat", "my build script\r\n");
  WriteBytes("decompile.bat", "my other script\r\n");
  CleanupOnExit(*test.platform, session);
  EXPECT_EQ(ReadBytes("compile.bat"), "my build script\r\n");
  EXPECT_EQ(ReadBytes("decompile.bat"), "my other script\r\n");

  // One written: only that one goes.
  Run(kPackJob, "data");
  WaitForToolCalls(1);
  CleanupOnExit(*test.platform, session);
  EXPECT_FALSE(Exists("compile.bat"));
  EXPECT_EQ(ReadBytes("decompile.bat"), "my other script\r\n");

  // Both written, one already gone: no error, neither is left.
  Run(kUnpackJob, "save");
  WaitForToolCalls(2);
  CleanupOnExit(*test.platform, session);
  EXPECT_TRUE(ListDir().empty());
}

TEST_F(JobsTest, CleanupWithNothingPresentCreatesNothing) {
  CleanupOnExit(*test.platform, session);
  EXPECT_TRUE(ListDir().empty());
}

// A failing file operation propagates with the platform's text and the file
// name, and the job's remaining steps are not done.
TEST_F(JobsTest, FailureStopsTheJobAndCarriesThePlatformText) {
  std::filesystem::create_directory("compile.bat");  // no file can be opened by that name
  WriteBytes("decompile.bat", "theirs\r\n");
  try {
    Run(kPackJob, "data");
    FAIL() << "expected a PlatformError";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.fileName(), "compile.bat");
    EXPECT_FALSE(error.systemText().empty());
    EXPECT_NE(std::string(error.what()).find(error.systemText()), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_directory("compile.bat"));
  EXPECT_EQ(ReadBytes("decompile.bat"), "theirs\r\n");
  EXPECT_TRUE(session.lastAcceptedName[kPackJob.index].empty());
  EXPECT_TRUE(test.startedNames.empty());
}

// The platform's file layer, with a start that fails as it does when the
// shell knows no way to run a script.
class NoStartPlatform : public JobPlatform {
 public:
  explicit NoStartPlatform(JobPlatform& files) : files_(files) {}
  std::optional<std::string> EncodeForScript(const std::string& text) const override {
    return files_.EncodeForScript(text);
  }
  void OpenForAppend(int slot, const std::string& name) override {
    files_.OpenForAppend(slot, name);
  }
  void WriteLine(int slot, const std::string& text) override { files_.WriteLine(slot, text); }
  void Close(int slot) override { files_.Close(slot); }
  void Delete(const std::string& name) override { files_.Delete(name); }
  void DeleteIfPresent(const std::string& name) override { files_.DeleteIfPresent(name); }
  void Start(const std::string& name) override {
    throw PlatformError("start", name, "No application is associated with this file.");
  }

 private:
  JobPlatform& files_;
};

TEST_F(JobsTest, FailedStartLeavesTheWrittenScriptForTheUser) {
  NoStartPlatform platform(*test.platform);
  ui.text[kUnpackJob.index] = "save";
  EXPECT_THROW(RunJob(kUnpackJob, ui, platform, session), PlatformError);
  EXPECT_EQ(ReadBytes("decompile.bat"), "vok.exe d     save.vok\r\n");
  EXPECT_TRUE(session.wroteScript[kUnpackJob.index]);
  EXPECT_FALSE(Exists("vok-calls.txt"));
}

}  // namespace
}  // namespace vok::test
