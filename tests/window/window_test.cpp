// The window as Windows reports it to another process: controls, layout,
// focus and keys.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "form1.h"

namespace vok::test {
namespace {

struct ExpectedControl {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  RECT rect;  // client pixels: left, top, right, bottom
};

// Positions and sizes are the design's twips divided by 15.
const ExpectedControl kExpected[] = {
    {Form1::kLabel3, L"Static", L"Decompile/Unpack", {8, 8, 185, 33}},
    {Form1::kLabel1,
     L"Static",
     L"Type in the name of the file          (do not include.vok)",
     {16, 40, 153, 65}},
    {Form1::kCmdDe, L"Button", L"Decompile", {184, 40, 265, 89}},
    {Form1::kTxtVokDe, L"Edit", L"", {16, 72, 145, 97}},
    {Form1::kLabel2, L"Static", L".vok", {144, 80, 193, 97}},
    {Form1::kLabel4, L"Static", L"Compile/Pack", {8, 144, 161, 177}},
    {Form1::kLabel5,
     L"Static",
     L"Type in the name of the      folder (directory)",
     {24, 192, 137, 225}},
    {Form1::kCmdCom, L"Button", L"Compile", {184, 192, 265, 241}},
    {Form1::kTxtVokCom, L"Edit", L"", {16, 224, 145, 249}},
};

RECT ClientRectOf(HWND window, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

TEST(Window, ShowsBothSectionsAsDesigned) {
  RunningApp app;
  wchar_t caption[64] = {};
  GetWindowTextW(app.window(), caption, 64);
  EXPECT_STREQ(caption, L".vok Decompiler");
  RECT client;
  GetClientRect(app.window(), &client);
  EXPECT_EQ(client.right, 270);
  EXPECT_EQ(client.bottom, 277);

  int children = 0;
  for (HWND c = GetWindow(app.window(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 9);
  for (const auto& expected : kExpected) {
    SCOPED_TRACE(expected.text);
    HWND control = app.Control(expected.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ClassOf(control), expected.className);
    EXPECT_EQ(app.TextOf(control), expected.text);
    const RECT rect = ClientRectOf(app.window(), control);
    EXPECT_EQ(rect.left, expected.rect.left);
    EXPECT_EQ(rect.top, expected.rect.top);
    EXPECT_EQ(rect.right, expected.rect.right);
    EXPECT_EQ(rect.bottom, expected.rect.bottom);
  }
}

TEST(Window, ControlsBehaveAsTextBoxesButtonsAndLabels) {
  RunningApp app;
  for (int id : {Form1::kCmdDe, Form1::kCmdCom}) {
    const LONG style = GetWindowLongW(app.Control(id), GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "never a default button";
    EXPECT_NE(id, IDOK);
    EXPECT_NE(id, IDCANCEL);
  }
  for (int id : {Form1::kTxtVokDe, Form1::kTxtVokCom}) {
    const LONG style = GetWindowLongW(app.Control(id), GWL_STYLE);
    EXPECT_FALSE(style & ES_MULTILINE);
    EXPECT_FALSE(style & ES_READONLY);
    EXPECT_GE(SendMessageW(app.Control(id), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << "no limit";
  }
  for (int id : {Form1::kLabel1, Form1::kLabel2, Form1::kLabel3, Form1::kLabel4, Form1::kLabel5}) {
    const LONG style = GetWindowLongW(app.Control(id), GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT) << "left-aligned, word-wrapped";
    EXPECT_FALSE(style & WS_TABSTOP);
  }
  // A long name can be typed in full.
  const std::wstring longName(5000, L'x');
  app.Type(Form1::kTxtVokCom, longName);
  EXPECT_EQ(SendMessageW(app.Control(Form1::kTxtVokCom), WM_GETTEXTLENGTH, 0, 0), 5000);
}

TEST(Window, TabCyclesTextBoxesAndButtonsFromTheUnpackBox) {
  RunningApp app;
  EXPECT_EQ(app.Focus(), app.Control(Form1::kTxtVokDe));
  const int cycle[] = {Form1::kCmdDe, Form1::kTxtVokCom, Form1::kCmdCom, Form1::kTxtVokDe};
  for (int id : cycle) {
    app.PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return GetDlgCtrlID(app.Focus()) == id; })) << id;
  }
}

TEST(Window, EnterAndEscapeInATextBoxPressNothing) {
  RunningApp app;
  app.Type(Form1::kTxtVokDe, L"save");
  app.PressKey(VK_RETURN);
  app.PressKey(VK_ESCAPE);
  EXPECT_EQ(app.WaitForMessageBox(1000), nullptr);
  EXPECT_TRUE(IsWindow(app.window()));
  EXPECT_TRUE(ListDir().empty());
}

}  // namespace
}  // namespace vok::test
