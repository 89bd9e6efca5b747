// The program's identity as Windows reads it from the executable: version
// record, icon, and the icon on the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_driver.h"

namespace vok::test {
namespace {

std::vector<BYTE> VersionBlock() {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(VOK_APP_PATH, &ignored);
  std::vector<BYTE> block(size);
  if (size) GetFileVersionInfoW(VOK_APP_PATH, 0, size, block.data());
  return block;
}

std::wstring StringValue(std::vector<BYTE>& block, const std::wstring& key) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring path = L"\\StringFileInfo\\040904B0\\" + key;
  if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return L"<missing>";
  }
  return std::wstring(value, length ? length - 1 : 0);
}

TEST(Identity, VersionRecordNamesTheProduct) {
  auto block = VersionBlock();
  ASSERT_FALSE(block.empty());

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  DWORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(*translation, 0x04B00409u);  // 0x0409, 1200

  // The keys, in the order they are stored.
  const std::pair<const wchar_t*, const wchar_t*> expected[] = {
      {L"CompanyName", L"By: VOK Decompiler contributors"},
      {L"ProductName", L"VOK Decompiler"},
      {L"FileVersion", L"1.00"},
      {L"ProductVersion", L"1.00"},
      {L"InternalName", L"VOK Decompiler"},
      {L"OriginalFilename", L"VOK Decompiler.exe"},
  };
  const std::wstring raw(reinterpret_cast<const wchar_t*>(block.data()), block.size() / 2);
  std::size_t previous = 0;
  for (const auto& [key, value] : expected) {
    EXPECT_EQ(StringValue(block, key), value) << key;
    const std::size_t at = raw.find(key);
    EXPECT_GT(at, previous) << key << " out of order";
    previous = at;
  }
}

#pragma pack(push, 2)
struct IconDirEntry {
  BYTE width, height, colourCount, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(Identity, IconHasTwoImagesOf256Colours) {
  HMODULE exe = LoadLibraryExW(VOK_APP_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HRSRC group = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const auto* dir = static_cast<const WORD*>(LockResource(LoadResource(exe, group)));
  ASSERT_EQ(dir[2], 2) << "two images";
  const auto* entries = reinterpret_cast<const IconDirEntry*>(dir + 3);
  EXPECT_EQ(entries[0].width, 32);
  EXPECT_EQ(entries[0].height, 32);
  EXPECT_EQ(entries[1].width, 16);
  EXPECT_EQ(entries[1].height, 16);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(entries[i].bitCount, 8) << "256 colours";

  FreeLibrary(exe);
}

}  // namespace
}  // namespace vok::test
