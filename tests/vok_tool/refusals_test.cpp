// Archives that are unsafe or damaged, and targets that exist: each is
// refused with its reason, and the archive is all that stays in the folder.
#include <gtest/gtest.h>

#include "path_text.h"
#include "vok_test_support.h"

namespace fs = std::filesystem;

namespace vok::tool_test {
namespace {

struct BadArchive {
  std::string bytes;
  std::string reason;  // expected in the message
};

// Unpacks `archive.bytes` from "bad.vok" in a fresh folder.
void ExpectRefused(const BadArchive& archive) {
  ScratchDir scratch;
  WriteFile("bad.vok", archive.bytes);
  const CommandResult result = Vok("d", "bad.vok");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("vok: cannot unpack \"bad.vok\": ", 0), 0u) << result.err;
  EXPECT_NE(result.err.find(archive.reason), std::string::npos) << result.err;
  EXPECT_EQ(ListFolder(), std::vector<std::string>{"bad.vok"});
  EXPECT_FALSE(Exists("../escaped"));
}

TEST(Refusals, UnsafeNames) {
  struct UnsafeNames {
    std::vector<std::string> paths;
    std::string reason;
  };
  const UnsafeNames kUnsafe[] = {
      {{"/abs"}, "absolute"},
      {{"C:/x", "c:x"}, "drive letter"},
      {{"a\\b", "..\\escaped"}, "backslash"},
      {{"", "a//b", "a/"}, "empty"},
      {{".", "..", "../escaped", "a/../../escaped", "a/./b"}, "\"..\" are not"},
      {{"CON", "con.txt", "x/Nul", "aux .log", "PRN", "COM1", "lpt9.tar.gz", "com\xC2\xB9"},
       "reserved device name"},
      {{"tab\there", "\x1F"}, "control characters"},
      {{"a<b"}, "'<'"},
      {{">"}, "'>'"},
      {{"name:stream"}, "':'"},
      {{"say\"hi"}, "'\"'"},
      {{"a|b"}, "'|'"},
      {{"why?"}, "'?'"},
      {{"*"}, "'*'"},
      {{"dot.", "space ", "dir./x"}, "dot or a space"},
      {{"bad\xFF", "\xC0\xAF"}, "UTF-8"},  // the second an overlong '/'
  };
  for (const auto& [paths, reason] : kUnsafe) {
    for (const std::string& path : paths) {
      SCOPED_TRACE(Quoted(path));
      // A safe entry first: it must not survive the refusal either.
      ExpectRefused({ArchiveBytes().Folder("a").File(path, "x").End(), reason});
      ExpectRefused({ArchiveBytes().Folder(path).End(), reason});
    }
  }
}

TEST(Refusals, DamagedArchives) {
  const std::string kStart = ArchiveBytes().bytes();
  const BadArchive kDamaged[] = {
      {"", "not a vok archive"},
      {"PK\x03\x04 not ours at all", "not a vok archive"},
      {"\x89VOK\n\x1A\n\x01", "not a vok archive"},  // CR LF turned into LF
      {ArchiveBytes("\x89VOK\r\n\x1A\n", 2).End(), "version 2 is not supported"},
      {ArchiveBytes().Entry(1, "a", 3, Crc32Of("abd"), "abc").End(), "bad CRC-32 for \"a\""},
      {ArchiveBytes().File("a", "abc").bytes(), "ends too early"},
      {ArchiveBytes().File("a", "abc").End() + "x", "bytes follow the end marker"},
      {ArchiveBytes().Entry(7, "a", 0, 0, "").End(), "unknown entry kind 7"},
      {ArchiveBytes().Entry(2, "d", 3, Crc32Of("abc"), "abc").End(), "folder \"d\" has contents"},
      {kStart + "\x01\xFF\xFF\xFF\xFF", "path is too long"},
      {ArchiveBytes().Entry(1, "a", std::uint64_t{1} << 40, 0, "abc").End(), "ends too early"},
      {ArchiveBytes().File("a", "1").File("a", "2").End(), "out of order or repeated"},
      {ArchiveBytes().File("b", "1").File("a", "2").End(), "out of order or repeated"},
      {ArchiveBytes().File("d/a", "1").End(), "comes before its folder"},
      {ArchiveBytes().File("d", "1").File("d/a", "2").End(), "comes before its folder"},
  };
  for (const BadArchive& archive : kDamaged) {
    SCOPED_TRACE(Quoted(archive.bytes));
    ExpectRefused(archive);
  }
}

TEST(Refusals, EveryTruncation) {
  const std::string whole =
      ArchiveBytes().Folder("d").File("d/a", "alpha").Folder("d/e").File("z", "omega").End();
  for (std::size_t size = 0; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    ExpectRefused({whole.substr(0, size), size == 0 ? "not a vok archive" : "ends too early"});
  }
}

// Windows ignores case in names, so there "A" and "a" are one file.
TEST(Refusals, NamesDifferingInCaseWhereTheFileSystemIgnoresCase) {
  const std::string archive = ArchiveBytes().File("A", "1").File("a", "2").End();
#ifdef _WIN32
  ExpectRefused({archive, "entry \"a\" has the same name as an earlier one"});
#else
  ScratchDir scratch;
  WriteFile("case.vok", archive);
  EXPECT_EQ(Vok("d", "case.vok").exitStatus, 0);
  EXPECT_EQ(ReadTree("case"), (Tree{{"A", "1"}, {"a", "2"}}));
#endif
}

TEST(Refusals, ExistingTargetsAreLeftAlone) {
  ScratchDir scratch;
  MakeTree("data", {{"keep.txt", "mine"}});
  ASSERT_EQ(Vok("c", "data").exitStatus, 0);
  EXPECT_EQ(Vok("d", "data.vok").err, "vok: cannot unpack \"data.vok\": \"data\" already exists\n");
  EXPECT_EQ(ReadTree("data"), (Tree{{"keep.txt", "mine"}}));
  fs::remove_all("data");
  WriteFile("data", "a file");
  EXPECT_EQ(Vok("d", "data.vok").exitStatus, 1);
  EXPECT_EQ(ReadFile("data"), "a file");
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"data", "data.vok"}));
}

TEST(Refusals, MissingOrWrongInputs) {
  ScratchDir scratch;
  MakeTree("folder.vok", {});
  WriteFile("file", "");
  const std::pair<CommandResult, std::string> kCases[] = {
      {Vok("c", "missing"), "vok: cannot pack \"missing\": no such folder\n"},
      {Vok("c", "file"), "vok: cannot pack \"file\": it is not a folder\n"},
      {Vok("d", "missing.vok"), "vok: cannot unpack \"missing.vok\": no such file\n"},
      {Vok("d", "folder.vok"), "vok: cannot unpack \"folder.vok\": it is not a file\n"},
      {Vok("d", "file"), "vok: cannot unpack \"file\": the name must end in .vok\n"},
      {Vok("d", "data.zip"), "vok: cannot unpack \"data.zip\": the name must end in .vok\n"},
      {Vok("d", ".vok"), "vok: cannot unpack \".vok\": no folder name comes before .vok\n"},
      {Vok("d", "..vok"), "vok: cannot unpack \"..vok\": no folder name comes before .vok\n"},
  };
  for (const auto& [result, message] : kCases) {
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, message);
  }
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"file", "folder.vok"}));
}

// The archive is written beside it and renamed into place at the end.
TEST(Refusals, FailedPackLeavesNoBrokenArchive) {
  ScratchDir scratch;
  MakeTree("data", {{"x", "1"}});
  MakeTree("data.vok", {{"keep", "2"}});  // a folder where the archive should go
  const CommandResult result = Vok("c", "data");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err.rfind("vok: cannot pack \"data\": cannot write \"data.vok\": ", 0), 0u)
      << result.err;
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"data", "data.vok"}));
  EXPECT_EQ(ReadTree("data.vok"), (Tree{{"keep", "2"}}));
}

#ifndef _WIN32
// Such trees can exist only outside Windows; packing them would give
// archives that can't be unpacked there.
TEST(Refusals, PackingNamesWindowsCannotHoldOrLinks) {
  ScratchDir scratch;
  MakeTree("colon", {{"sub/x", ""}});
  ASSERT_EQ(Vok("c", "colon").exitStatus, 0);
  const std::string goodArchive = ReadFile("colon.vok");
  WriteFile("colon/sub/a:b", "");
  EXPECT_EQ(Vok("c", "colon").err,
            "vok: cannot pack \"colon\": \"sub/a:b\": ':' is not allowed in names on Windows\n");
  EXPECT_EQ(ReadFile("colon.vok"), goodArchive);
  MakeTree("link", {{"target", ""}});
  fs::create_symlink("target", "link/to-target");
  EXPECT_EQ(Vok("c", "link").err,
            "vok: cannot pack \"link\": \"to-target\" is a link; only files and folders are "
            "packed\n");
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"colon", "colon.vok", "link"}));
}
#endif

}  // namespace
}  // namespace vok::tool_test
