// The command line: where archives and folders go, and the built program's
// arguments, output and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "path_text.h"
#include "vok_test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace vok::tool_test {
namespace {

TEST(CommandLine, ArchiveGoesBesideTheFolderWhateverTheTrailingSeparators) {
  ScratchDir scratch;
  MakeTree("sub/data", {{"x", "1"}});
  for (const std::string folder : {"sub/data", "sub/data/", "sub/data//", "sub/data\\"}) {
    SCOPED_TRACE(folder);
    const CommandResult result = Vok("c", folder);
    EXPECT_EQ(result.out, "packed 1 file, 0 folders, 1 byte into sub/data.vok\n");
    EXPECT_EQ(ListFolder("sub"), (std::vector<std::string>{"data", "data.vok"}));
  }
}

// "." has no name of its own: the archive takes the folder's real name, and
// lands beside it, not inside where it would pack itself.
TEST(CommandLine, PackingDotWritesBesideTheCurrentFolder) {
  ScratchDir scratch;
  MakeTree("project", {{"x", "1"}});
  fs::current_path("project");
  const CommandResult result = Vok("c", ".");
  fs::current_path("..");
  const std::string expected = PathToUtf8(fs::current_path() / "project.vok");
  EXPECT_EQ(result.out, "packed 1 file, 0 folders, 1 byte into " + expected + "\n");
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"project", "project.vok"}));
  EXPECT_EQ(ReadTree("project"), (Tree{{"x", "1"}}));
}

TEST(CommandLine, UnpackingTakesTheArchiveNameLessItsExtension) {
  ScratchDir scratch;
  MakeTree("sub/Data", {{"x", "1"}});
  ASSERT_EQ(Vok("c", "sub/Data").exitStatus, 0);
  fs::rename("sub/Data.vok", "sub/Copy.VOK");
  EXPECT_EQ(Vok("d", "sub/Copy.VOK").out, "unpacked 1 file, 0 folders, 1 byte into sub/Copy\n");
  EXPECT_EQ(ReadTree("sub/Copy"), ReadTree("sub/Data"));
}

struct ProgramResult {
  int exitStatus;
  std::string out;
  std::string err;
};

std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// Runs the built vok through the system's shell, as the product's scripts do.
ProgramResult RunVok(const std::vector<std::string>& arguments) {
#ifdef _WIN32
  // cmd /c drops the outer quotes.
  std::wstring command = L"\"\"" + fs::path(VOK_PROGRAM).make_preferred().wstring() + L"\"";
  for (const std::string& argument : arguments)
    command += L" \"" + Utf8ToPath(argument).wstring() + L"\"";
  const int status = _wsystem((command + L" >out.txt 2>err.txt\"").c_str());
#else
  std::string command = "'" VOK_PROGRAM "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  const int wait = std::system((command + " >out.txt 2>err.txt").c_str());
  const int status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
#endif
  return {status, WithoutCarriageReturns(ReadFile("out.txt")),
          WithoutCarriageReturns(ReadFile("err.txt"))};
}

TEST(CommandLine, ProgramRefusesAnyOtherUsageWithStatusTwo) {
  ScratchDir scratch;
  const std::vector<std::string> kMisuses[] = {
      {},          {"c"}, {"d"}, {"c", "a", "b"}, {"x", "data"}, {"C", "data"}, {"-c", "data"},
      {"", "data"}};
  for (const auto& arguments : kMisuses) {
    const ProgramResult result = RunVok(arguments);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("usage: vok c FOLDER", 0), 0u) << result.err;
  }
}

TEST(CommandLine, ProgramPacksAndUnpacksNonAsciiNames) {
  ScratchDir scratch;
  const std::string folder =
      "donn\xC3\xA9"
      "es \xE6\x97\xA5\xE6\x9C\xAC";
  MakeTree(folder, {{"\xCE\xB1.txt", "hello"}});
  const ProgramResult packed = RunVok({"c", folder});
  EXPECT_EQ(packed.exitStatus, 0);
  EXPECT_EQ(packed.out, "packed 1 file, 0 folders, 5 bytes into " + folder + ".vok\n");
  EXPECT_EQ(packed.err, "");
  const ProgramResult refused = RunVok({"d", folder + ".vok"});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_EQ(refused.err,
            "vok: cannot unpack \"" + folder + ".vok\": \"" + folder + "\" already exists\n");
  fs::remove_all(Utf8ToPath(folder));
  const ProgramResult unpacked = RunVok({"d", folder + ".vok"});
  EXPECT_EQ(unpacked.exitStatus, 0);
  EXPECT_EQ(unpacked.out, "unpacked 1 file, 0 folders, 5 bytes into " + folder + "\n");
  EXPECT_EQ(ReadTree(folder), (Tree{{"\xCE\xB1.txt", "hello"}}));
}

}  // namespace
}  // namespace vok::tool_test
