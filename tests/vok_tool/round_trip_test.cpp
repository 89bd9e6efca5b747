// Packing a tree and unpacking the archive gives the same tree back, and the
// tool says what it did.
#include <gtest/gtest.h>

#include <random>

#include "path_text.h"
#include "vok_test_support.h"

namespace fs = std::filesystem;

namespace vok::tool_test {
namespace {

class RoundTrip : public ::testing::Test {
 protected:
  // Packs `tree` as the folder `name`, moves the folder away, unpacks, and
  // expects the same tree; returns both reports.
  std::string PackAndUnpack(const std::string& name, const Tree& tree) {
    MakeTree(name, tree);
    const CommandResult packed = Vok("c", name);
    EXPECT_EQ(packed.exitStatus, 0) << packed.err;
    fs::rename(Utf8ToPath(name), Utf8ToPath(name + ".original"));
    const CommandResult unpacked = Vok("d", name + ".vok");
    EXPECT_EQ(unpacked.exitStatus, 0) << unpacked.err;
    EXPECT_EQ(ReadTree(name), tree);
    EXPECT_EQ(packed.err + unpacked.err, "");
    return packed.out + unpacked.out;
  }

  ScratchDir scratch;
};

TEST_F(RoundTrip, EmptyFolder) {
  EXPECT_EQ(PackAndUnpack("empty", {}),
            "packed 0 files, 0 folders, 0 bytes into empty.vok\n"
            "unpacked 0 files, 0 folders, 0 bytes into empty\n");
}

TEST_F(RoundTrip, OneOfEach) {
  EXPECT_EQ(PackAndUnpack("one", {{"f/", ""}, {"f/x", "!"}}),
            "packed 1 file, 1 folder, 1 byte into one.vok\n"
            "unpacked 1 file, 1 folder, 1 byte into one\n");
}

TEST_F(RoundTrip, EmptyFilesEmptyFoldersNestingAndBinaryData) {
  std::string allBytes;
  for (int byte = 0; byte < 256; ++byte) allBytes += static_cast<char>(byte);
  // Spans several chunks, ending in a short one.
  std::string large(700000, '\0');
  std::minstd_rand random(7);
  for (char& c : large) c = static_cast<char>(random());
  const Tree tree = {{"empty file", ""},
                     {"empty folder/", ""},
                     {"a/", ""},
                     {"a/b/", ""},
                     {"a/b/c/", ""},
                     {"a/b/c/deep.txt", "deep"},
                     {"all bytes.bin", allBytes},
                     {"a/large.bin", large},
                     {"crlf.txt", "x\r\ny\n"}};
  EXPECT_EQ(PackAndUnpack("mixed", tree),
            "packed 5 files, 4 folders, 700.3 KB into mixed.vok\n"
            "unpacked 5 files, 4 folders, 700.3 KB into mixed\n");
}

TEST_F(RoundTrip, NonAsciiNames) {
  const Tree tree = {{"caf\xC3\xA9/", ""},
                     {"caf\xC3\xA9/na\xC3\xAFve.txt", "x"},
                     {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "y"},
                     {"\xF0\x9F\x98\x80/", ""}};
  EXPECT_EQ(PackAndUnpack("donn\xC3\xA9"
                          "es",
                          tree),
            "packed 2 files, 2 folders, 2 bytes into donn\xC3\xA9"
            "es.vok\n"
            "unpacked 2 files, 2 folders, 2 bytes into donn\xC3\xA9"
            "es\n");
}

// Names close to the refused ones are ordinary names.
TEST_F(RoundTrip, NamesThatOnlyLookReserved) {
  const Tree tree = {{"CONSOLE", "1"}, {"COM10", "2"},   {"LPT", "3"},   {"nul-device", "4"},
                     {"x.con", "5"},   {".hidden", "6"}, {"a.b.c", "7"}, {"auxiliary/", ""}};
  EXPECT_EQ(PackAndUnpack("lookalikes", tree).substr(0, 28), "packed 7 files, 1 folder, 7 ");
}

}  // namespace
}  // namespace vok::tool_test
