// A file past 4 GiB, where 32-bit sizes and offsets would wrap. Writes about
// 9 GB to the temporary folder, so it runs only when asked:
//   VOK_LONG_TESTS=1 ctest -L long
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "vok_test_support.h"

namespace fs = std::filesystem;

namespace vok::tool_test {
namespace {

constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
const std::pair<std::uint64_t, char> kMarks[] = {
    {0, 'A'}, {k4GiB - 1, 'B'}, {k4GiB, 'C'}, {k4GiB + 2, 'D'}};

TEST(LargeFile, SparseFilePast4GiBRoundTrips) {
  if (std::getenv("VOK_LONG_TESTS") == nullptr) GTEST_SKIP() << "set VOK_LONG_TESTS=1 to run";
  ScratchDir scratch;
  fs::create_directory("big");
  std::ofstream("big/sparse.bin", std::ios::binary).close();
  fs::resize_file("big/sparse.bin", k4GiB + 3);
  {
    std::fstream file("big/sparse.bin", std::ios::in | std::ios::out | std::ios::binary);
    for (const auto& [offset, mark] : kMarks)
      file.seekp(static_cast<std::streamoff>(offset)).put(mark);
    ASSERT_TRUE(file.good());
  }
  EXPECT_EQ(Vok("c", "big").out, "packed 1 file, 0 folders, 4.3 GB into big.vok\n");
  const std::uint64_t overhead = 12 + (1 + 4 + 10 + 8 + 4) + 1;
  EXPECT_EQ(fs::file_size("big.vok"), overhead + k4GiB + 3);
  fs::remove_all("big");

  EXPECT_EQ(Vok("d", "big.vok").out, "unpacked 1 file, 0 folders, 4.3 GB into big\n");
  fs::remove("big.vok");
  ASSERT_EQ(fs::file_size("big/sparse.bin"), k4GiB + 3);
  std::ifstream file("big/sparse.bin", std::ios::binary);
  for (const auto& [offset, mark] : kMarks) {
    file.seekg(static_cast<std::streamoff>(offset));
    EXPECT_EQ(file.get(), mark) << "at " << offset;
  }
}

}  // namespace
}  // namespace vok::tool_test
