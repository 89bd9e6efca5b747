// The window's fonts and icons, read inside the process that owns them (their
// handles mean nothing to another process). This test program carries the
// same resources as the product.
#include <gtest/gtest.h>

#include "form1.h"

namespace vok::test {
namespace {

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  HFONT handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  GetObjectW(handle, sizeof(font), &font);
  return font;
}

TEST(InProcess, FontsAndIcons) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  ASSERT_TRUE(Form1::Register(instance));
  HWND window = Form1::Create(instance, SW_SHOWNORMAL);
  ASSERT_NE(window, nullptr);

  struct Expected {
    int id;
    LONG height;  // pixels at 96 dpi: points * 96 / 72
    bool underline;
  };
  const Expected expected[] = {
      {Form1::kLabel3, -18, true},  {Form1::kLabel4, -18, true},    {Form1::kLabel2, -13, false},
      {Form1::kLabel1, -11, false}, {Form1::kLabel5, -11, false},   {Form1::kCmdDe, -11, false},
      {Form1::kCmdCom, -11, false}, {Form1::kTxtVokDe, -11, false}, {Form1::kTxtVokCom, -11, false},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    const LOGFONTW font = FontOf(GetDlgItem(window, e.id));
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(font.lfHeight, e.height);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_EQ(font.lfUnderline != 0, e.underline);
    EXPECT_FALSE(font.lfItalic);
    EXPECT_FALSE(font.lfStrikeOut);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
  }
  // Both sizes of the application icon are on the window.
  for (const auto& [index, size] :
       {std::pair{GCLP_HICON, SM_CXICON}, {GCLP_HICONSM, SM_CXSMICON}}) {
    ICONINFO info{};
    BITMAP bitmap{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(GetClassLongPtrW(window, index)), &info));
    GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(size));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace vok::test
