// The bytes of an archive: the documented layout, its CRC-32, and the same
// bytes for the same tree every time.
#include <gtest/gtest.h>

#include "crc32.h"
#include "path_text.h"
#include "vok_test_support.h"

namespace fs = std::filesystem;

namespace vok::tool_test {
namespace {

TEST(Format, Crc32MatchesKnownValuesWhateverThePieces) {
  EXPECT_EQ(Crc32Of(""), 0u);
  EXPECT_EQ(Crc32Of("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32Of("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  Crc32 pieces;
  pieces.Update("1234", 4);
  pieces.Update("56789", 5);
  EXPECT_EQ(pieces.Value(), 0xCBF43926u);
}

TEST(Format, ArchiveHasTheDocumentedLayoutInByteOrder) {
  ScratchDir scratch;
  // '-' sorts before '/', and capitals before small letters.
  MakeTree("tree", {{"a/", ""}, {"a/x", "1"}, {"a-b", "22"}, {"B", ""}});
  ASSERT_EQ(Vok("c", "tree").exitStatus, 0);
  const std::string expected =
      ArchiveBytes().File("B", "").Folder("a").File("a-b", "22").File("a/x", "1").End();
  EXPECT_EQ(ReadFile("tree.vok"), expected);
}

TEST(Format, SameTreeGivesIdenticalBytes) {
  ScratchDir scratch;
  const Tree tree = {{"z.txt", "last"},
                     {"m/", ""},
                     {"m/n.bin", std::string("\0\1\2", 3)},
                     {"a.txt", "first"},
                     {"caf\xC3\xA9", "\xE2\x82\xAC"}};
  MakeTree("one", tree);
  // The same tree built in the opposite order, with other timestamps.
  fs::create_directory("two");
  for (auto entry = tree.rbegin(); entry != tree.rend(); ++entry) MakeTree("two", {*entry});
  fs::last_write_time(Utf8ToPath("two/a.txt"), fs::file_time_type() + std::chrono::hours(1));
  ASSERT_EQ(Vok("c", "one").exitStatus, 0);
  ASSERT_EQ(Vok("c", "two").exitStatus, 0);
  ASSERT_EQ(Vok("c", "one").exitStatus, 0);  // replaces the first archive
  EXPECT_EQ(ReadFile("one.vok"), ReadFile("two.vok"));
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"one", "one.vok", "two", "two.vok"}));
}

}  // namespace
}  // namespace vok::tool_test
