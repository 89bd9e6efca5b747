// The window as designed. Layout, fonts, styles and warnings are read in this
// process, which carries the same window and resources (font and icon handles
// mean nothing in another process); keys go to the real program. The
// executable's own resources are checked as a file (tests/pe).
#include <gtest/gtest.h>

#include <cstdlib>

#include "app_driver.h"
#include "form1.h"

namespace vok::test {
namespace {

// What the warning boxes showed, as BoxesShownDuring returns it.
std::vector<std::wstring> shownBoxes;
HWND boxOwner;

// Reads and dismisses the message box on screen, if any.
void CALLBACK ReadBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindWindowW(L"#32770", nullptr);
  if (!box || !IsWindowVisible(box)) return;
  wchar_t title[256] = {}, text[256] = {};
  GetWindowTextW(box, title, 256);
  GetDlgItemTextW(box, 0xFFFF, text, 256);
  bool exclamation = false;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    exclamation |= SendMessageW(child, STM_GETICON, 0, 0) ==
                   reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_EXCLAMATION));
  }
  const bool onlyOk = !GetDlgItem(box, IDCANCEL) && !GetDlgItem(box, IDNO);
  const bool asDesigned = exclamation && onlyOk && GetWindow(box, GW_OWNER) == boxOwner;
  shownBoxes.push_back(std::wstring(title) + L": " + text + (asDesigned ? L" !" : L""));
  EndDialog(box, IDOK);
}

// The message boxes shown while `press` runs: "<title>: <text>", and "!" for
// the exclamation icon, one OK button and the window as owner.
std::vector<std::wstring> BoxesShownDuring(HWND window, const std::function<void()>& press) {
  shownBoxes.clear();
  boxOwner = window;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadBox);
  press();
  KillTimer(nullptr, timer);
  return shownBoxes;
}

// At the display's DPI (the test run sets 96, 120, 144 and 192, a Wine
// prefix each): every place and size is the design's twips at that DPI, but
// a label may grow downwards to hold its wrapped text; every text fits.
TEST(Window, LayoutFontsStylesAndWarningsAsDesigned) {
  const int dpi = std::getenv("VOK_DPI") ? std::atoi(std::getenv("VOK_DPI")) : 96;
  ASSERT_TRUE(Form1::Register(GetModuleHandleW(nullptr)));
  HWND window = Form1::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(GetDeviceCaps(GetDC(window), LOGPIXELSY), dpi);
  const auto px = [&](LONG twips) -> LONG { return MulDiv(twips, dpi, 1440); };
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  EXPECT_STREQ(text, L".vok Decompiler");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(px(4050), px(4155)));
  // The design in twips and hundredths of a point, in z-order: each label
  // just before the text box it names, for screen readers.
  const struct {
    int id;
    const wchar_t* text;
    LONG left, top, width, height;
    int size;
  } kDesign[] = {
      {Form1::kLabel3, L"Decompile/Unpack", 120, 120, 2655, 375, 1350},
      {Form1::kLabel1, L"Type in the name of the file          (do not include.vok)", 240, 600,
       2055, 375, 800},
      {Form1::kTxtVokDe, L"", 240, 1080, 1935, 375, 800},
      {Form1::kLabel2, L".vok", 2160, 1200, 735, 255, 975},
      {Form1::kCmdDe, L"Decompile", 2760, 600, 1215, 735, 800},
      {Form1::kLabel4, L"Compile/Pack", 120, 2160, 2295, 495, 1350},
      {Form1::kLabel5, L"Type in the name of the      folder (directory)", 360, 2880, 1695, 495,
       800},
      {Form1::kTxtVokCom, L"", 240, 3360, 1935, 375, 800},
      {Form1::kCmdCom, L"Compile", 2760, 2880, 1215, 735, 800},
  };
  HWND previous = nullptr;
  for (const auto& d : kDesign) {
    SCOPED_TRACE(d.id);
    HWND control = GetDlgItem(window, d.id);
    EXPECT_EQ(GetWindow(control, GW_HWNDPREV), previous);
    previous = control;
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right}),
              std::vector<LONG>({px(d.left), px(d.top), px(d.left + d.width)}));
    GetClassNameW(control, text, 128);
    const std::wstring kind = text;
    const bool grows = kind == L"Static" && dpi != 96;
    EXPECT_TRUE(grows ? rect.bottom >= px(d.top + d.height) : rect.bottom == px(d.top + d.height));
    GetWindowTextW(control, text, 128);
    EXPECT_STREQ(text, d.text);
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(std::vector<LONG>({font.lfHeight, font.lfWeight, font.lfUnderline, font.lfItalic,
                                 font.lfStrikeOut, font.lfCharSet}),
              std::vector<LONG>(
                  {-MulDiv(d.size, dpi, 7200), FW_NORMAL, d.size == 1350, 0, 0, ANSI_CHARSET}));
    // The text, wrapped as the label wraps it or on the button's one line,
    // fits inside the control.
    RECT inside, needed;
    GetClientRect(control, &inside);
    needed = inside;
    HDC dc = GetDC(control);
    SelectObject(dc, handle);
    DrawTextW(dc, d.text, -1, &needed,
              DT_CALCRECT | (kind == L"Button" ? DT_SINGLELINE : DT_WORDBREAK));
    ReleaseDC(control, dc);
    EXPECT_LE(needed.right, inside.right);
    // At 96 DPI the design's 25-pixel box holds the 8-point font's two
    // 13-pixel lines of Label1 but for the last row of the second line's
    // descent, as the design always did; at other DPIs the label grows.
    EXPECT_LE(needed.bottom, inside.bottom + (dpi == 96 && d.id == Form1::kLabel1));
    // Labels are left-aligned and word-wrapped and take no focus; buttons
    // are never the default; text boxes take one line of any length.
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const LONG mask = kind == L"Static"   ? SS_TYPEMASK
                      : kind == L"Button" ? BS_TYPEMASK
                                          : ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL;
    const LONG expected = kind == L"Static"   ? SS_LEFT
                          : kind == L"Button" ? WS_TABSTOP | BS_PUSHBUTTON
                                              : WS_TABSTOP | ES_AUTOHSCROLL;
    EXPECT_EQ(style & (WS_TABSTOP | mask), expected) << std::hex << style;
    EXPECT_GE(SendMessageW(control, EM_GETLIMITTEXT, 0, 0), kind == L"Edit" ? 0x7FFFFFFE : 0);
  }
  // The application's icon on the window, in both sizes.
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HICON),
            reinterpret_cast<LONG_PTR>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1))));
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICONSM), 0);
  // An empty box: the job's own warning, then the focus back in its box.
  for (const auto& [button, box, warning] :
       {std::tuple{Form1::kCmdDe, Form1::kTxtVokDe,
                   L"No File: There isn't a file to decompile, please enter one !"},
        {Form1::kCmdCom, Form1::kTxtVokCom,
         L"No File: There isn't a folder to compile, please enter one !"}}) {
    SetFocus(GetDlgItem(window, button));
    EXPECT_EQ(
        BoxesShownDuring(window, [&] { SendDlgItemMessageW(window, button, BM_CLICK, 0, 0); }),
        std::vector<std::wstring>{warning});
    EXPECT_EQ(GetFocus(), GetDlgItem(window, box));
  }
  DestroyWindow(window);
}

// The focus starts in the unpack box; Tab cycles through the text boxes and
// buttons; Enter and Esc press nothing.
TEST(Window, KeysMoveTheFocusAndPressNothing) {
  ToolFolder folder;
  App app;
  EXPECT_TRUE(WaitUntil([&] { return app.Focus() == app.Control(Form1::kTxtVokDe); }));
  for (int id : {Form1::kCmdDe, Form1::kTxtVokCom, Form1::kCmdCom, Form1::kTxtVokDe}) {
    app.Key(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return GetDlgCtrlID(app.Focus()) == id; })) << id;
  }
  app.Type(Form1::kTxtVokDe, L"save");
  app.Key(VK_RETURN);
  app.Key(VK_ESCAPE);
  EXPECT_EQ(app.Box(1000), L"");
  EXPECT_EQ(app.Close(), 0);
  EXPECT_TRUE(ListFolder().empty());
}

}  // namespace
}  // namespace vok::test
