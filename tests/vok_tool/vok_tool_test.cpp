// The stand-in vok tool's library: round trips, the archive's bytes, and the
// archives it refuses. command_line_test.sh runs the built program.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "command.h"
#include "crc32.h"
#include "links.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace vok::test {
namespace {

// '/'-separated paths to contents; a path ending in '/' is a folder.
using Tree = std::map<std::string, std::string>;

void MakeTree(const std::string& root, const Tree& tree) {
  fs::create_directories(PathOf(root));
  for (const auto& [path, contents] : tree) {
    fs::create_directories(PathOf(root + "/" + path.substr(0, path.rfind('/') + 1)));
    if (path.back() != '/') WriteFile(root + "/" + path, contents);
  }
}

Tree ReadTree(const std::string& root) {
  Tree tree;
  for (const auto& entry : fs::recursive_directory_iterator(PathOf(root))) {
    const auto name = entry.path().lexically_relative(PathOf(root)).generic_u8string();
    const std::string path(name.begin(), name.end());
    tree[entry.is_directory() ? path + "/" : path] = ReadFile(root + "/" + path);
  }
  return tree;
}

// "<exit status> <what it printed>"
std::string Vok(const std::string& letter, const std::string& argument) {
  const CommandResult result = RunCommand({PathOf(letter), PathOf(argument)});
  return std::to_string(result.exitStatus) + " " + result.out + result.err;
}

// Archive bytes put together by hand, after FORMAT.md.
struct Archive {
  std::string bytes = std::string("\x89VOK\r\n\x1A\n\x01\0\0\0", 12);
  Archive& Put(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i));
    return *this;
  }
  Archive& Entry(int kind, const std::string& path, std::uint64_t size, std::uint32_t crc,
                 const std::string& data) {
    Put(static_cast<std::uint64_t>(kind), 1).Put(path.size(), 4).bytes += path;
    Put(size, 8).Put(crc, 4).bytes += data;
    return *this;
  }
  Archive& File(const std::string& path, const std::string& data) {
    Crc32 crc;
    crc.Update(data.data(), data.size());
    return Entry(1, path, data.size(), crc.Value(), data);
  }
  Archive& Folder(const std::string& path) { return Entry(2, path, 0, 0, ""); }
  std::string End() const { return bytes + '\0'; }
};

TEST(VokTool, RoundTripsGiveTheSameTree) {
  std::string bytes(700000, '\0');  // several chunks, the last one short
  std::minstd_rand random(7);
  for (char& c : bytes) c = static_cast<char>(random());
  // Among them names close to those Windows reserves, but ordinary.
  const Tree mixed = {{"empty file", ""}, {"empty/", ""},      {"a/b/", ""},
                      {"a/b/c", "x\r\n"}, {"a/random", bytes}, {"caf\xC3\xA9/\xE6\x97\xA5", "y"},
                      {"CONSOLE", "1"},   {"COM10", "2"},      {"x.con", "3"}};
  for (const auto& [name, tree, totals] :
       {std::tuple<std::string, Tree, std::string>{"empty", {}, "0 files, 0 folders, 0 bytes"},
        {"mixed", mixed, "7 files, 4 folders, 700.0 KB"}}) {
    ScratchDir scratch;
    MakeTree(name, tree);
    EXPECT_EQ(Vok("c", name), "0 packed " + totals + " into " + name + ".vok\n");
    fs::rename(PathOf(name), "original");
    EXPECT_EQ(Vok("d", name + ".vok"), "0 unpacked " + totals + " into " + name + "\n");
    EXPECT_EQ(ReadTree(name), ReadTree("original"));
  }
}

// The documented layout byte for byte, whatever order the tree was made in:
// '-' sorts before '/', capitals before small letters, and 0xCBF43926 is
// the CRC-32 of "123456789".
TEST(VokTool, ArchiveBytesFollowTheFormat) {
  ScratchDir scratch;
  const Tree tree = {{"a/", ""}, {"a/x", "1"}, {"a-b", "123456789"}, {"B", ""}};
  MakeTree("one", tree);
  for (auto entry = tree.rbegin(); entry != tree.rend(); ++entry) MakeTree("two", {*entry});
  Vok("c", "one");
  Vok("c", "two");
  Archive expected;
  expected.File("B", "").Folder("a").Entry(1, "a-b", 9, 0xCBF43926, "123456789").File("a/x", "1");
  EXPECT_EQ(ReadFile("one.vok"), expected.End());
  EXPECT_EQ(ReadFile("two.vok"), expected.End());
}

// Every refusal names its reason, and the archive is all the folder holds.
TEST(VokTool, UnsafeOrDamagedArchivesAreRefused) {
  std::vector<std::pair<std::string, std::string>> refused = {
      {"", "not a vok archive"},
      {"PK\x03\x04 not ours", "not a vok archive"},
      {"\x89VOK\n\x1A\n\x01", "not a vok archive"},  // CR LF turned into LF
      {Archive().bytes.replace(8, 1, "\x02") + '\0', "version 2 is not supported"},
      {Archive().Entry(1, "a", 3, 0, "abc").End(), "bad CRC-32 for \"a\""},
      {Archive().File("a", "abc").End() + "x", "bytes follow the end marker"},
      {Archive().Entry(7, "a", 0, 0, "").End(), "unknown entry kind 7"},
      {Archive().Entry(2, "d", 1, 0, "x").End(), "folder \"d\" has contents"},
      {Archive().bytes + "\x01\xFF\xFF\xFF\xFF", "path is too long"},
      {Archive().File("a", "1").File("a", "2").End(), "out of order or repeated"},
      {Archive().File("b", "1").File("a", "2").End(), "out of order or repeated"},
      {Archive().File("d/a", "1").End(), "comes before its folder"},
#ifdef _WIN32  // where names differ only in case, Windows sees one name
      {Archive().File("A", "1").File("a", "2").End(), "the same name as an earlier one"},
#endif
  };
  // Unsafe entry paths, each after a sound entry that must not survive either.
  std::istringstream paths(ReadFile(VOK_UNSAFE_PATHS));
  for (std::string line; std::getline(paths, line);) {
    if (line[0] == '#') continue;
    const std::string reason = line.substr(0, line.find('\t')),
                      path = line.substr(reason.size() + 1);
    refused.push_back({Archive().Folder("a").File(path, "x").End(), reason});
    refused.push_back({Archive().Folder(path).End(), reason});
  }
  const std::string whole = Archive().Folder("d").File("d/a", "alpha").File("z", "omega").End();
  for (std::size_t size = 1; size < whole.size(); ++size) {
    refused.push_back({whole.substr(0, size), "ends too early"});
  }
  for (const auto& [bytes, reason] : refused) {
    SCOPED_TRACE(reason + " in " + std::to_string(bytes.size()) + " bytes");
    ScratchDir scratch;
    WriteFile("bad.vok", bytes);
    const std::string result = Vok("d", "bad.vok");
    EXPECT_EQ(result.rfind("1 vok: cannot unpack \"bad.vok\": ", 0), 0u) << result;
    EXPECT_NE(result.find(reason), std::string::npos) << result;
    EXPECT_EQ(ListFolder(), std::vector<std::string>{"bad.vok"});
  }
}

#ifndef _WIN32  // MinGW makes no links, and Wine shows a Linux one as what it leads to
// A link is never followed: packing refuses it, and the cleanup of a failed
// unpack deletes one planted in its temporary folder, not what it leads to.
TEST(VokTool, LinksAreNeverFollowed) {
  ScratchDir scratch;
  MakeTree("outside", {{"kept", "1"}});
  for (const std::string folder : {"data", "temporary/d"}) {
    MakeTree(folder, {});
    fs::create_directory_symlink(fs::absolute("outside"), PathOf(folder + "/link"));
  }
  EXPECT_EQ(Vok("c", "data"),
            "1 vok: cannot pack \"data\": \"link\" is a link; only files and folders are packed\n");
  RemoveTree("temporary");
  EXPECT_EQ(ListFolder(), (std::vector<std::string>{"data", "outside"}));
  EXPECT_EQ(ReadTree("outside"), (Tree{{"kept", "1"}}));
}
#endif

}  // namespace
}  // namespace vok::test
