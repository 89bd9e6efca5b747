// The jobs as a user runs them: buttons, warnings, what the tool receives,
// the cleanup at close and the report of a failure.
#include <gtest/gtest.h>

#include <algorithm>

#include "app_driver.h"
#include "form1.h"
#include "win32_text.h"

namespace vok::test {
namespace {

TEST(JobsThroughWindow, EmptyBoxWarnsAndReturnsTheFocus) {
  RunningApp app;
  struct Case {
    int button;
    int textBox;
    const wchar_t* warning;
  };
  const Case cases[] = {
      {Form1::kCmdDe, Form1::kTxtVokDe, L"There isn't a file to decompile, please enter one"},
      {Form1::kCmdCom, Form1::kTxtVokCom, L"There isn't a folder to compile, please enter one"},
  };
  for (const auto& c : cases) {
    // Put the focus on a button first, so that its return can be seen.
    app.PressKey(VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return GetDlgCtrlID(app.Focus()) == Form1::kCmdDe; }));
    app.Click(c.button);
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    const auto shown = ReadMessageBox(box);
    EXPECT_EQ(shown.title, L"No File");
    EXPECT_EQ(shown.text, c.warning);
    EXPECT_TRUE(shown.onlyOkButton);
    EXPECT_TRUE(BoxIconIs(box, MAKEINTRESOURCEW(32515)));  // IDI_EXCLAMATION
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.window());
    app.Dismiss(box);
    EXPECT_TRUE(WaitUntil([&] { return GetDlgCtrlID(app.Focus()) == c.textBox; }));
  }
  EXPECT_TRUE(ListDir().empty());
}

TEST(JobsThroughWindow, ToolReceivesExactlyWhatWasTyped) {
  RunningApp app;
  app.Type(Form1::kTxtVokCom, L"data");
  app.Click(Form1::kCmdCom);
  app.Type(Form1::kTxtVokDe, L"save");
  app.Click(Form1::kCmdDe);
  WaitForToolCalls(2);
  EXPECT_EQ(ReadBytes("compile.bat"), "vok.exe c     data\r\n");
  EXPECT_EQ(ReadBytes("decompile.bat"), "vok.exe d     save.vok\r\n");

  const std::wstring awkward[] = {L"my data", L"100%done", L"x & del /q *", L"my dir\\",
                                  L"caf\u00e9 (1)"};
  std::size_t expectedCalls = 2;
  for (const auto& name : awkward) {
    app.Type(Form1::kTxtVokCom, name);
    app.Click(Form1::kCmdCom);
    const auto calls = WaitForToolCalls(++expectedCalls);
    ASSERT_EQ(calls.size(), expectedCalls);
    EXPECT_EQ(calls.back().args, std::vector<std::string>({"c", WideToUtf8(name)}))
        << calls.back().commandLine;
  }
  EXPECT_EQ(app.WaitForMessageBox(100), nullptr);
}

TEST(JobsThroughWindow, RefusedNameWarnsAndWritesNothing) {
  RunningApp app;
  app.Type(Form1::kTxtVokDe, L"say \"hi\"");
  app.Click(Form1::kCmdDe);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadMessageBox(box).title, L"Invalid Name");
  app.Dismiss(box);
  EXPECT_TRUE(WaitUntil([&] { return app.Focus() == app.Control(Form1::kTxtVokDe); }));
  EXPECT_TRUE(ListDir().empty());
}

TEST(JobsThroughWindow, ClosingRemovesOnlyTheScriptsThisRunWrote) {
  const UINT ways[][2] = {{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}};
  for (const auto& way : ways) {
    RunningApp app;
    WriteBytes("decompile.bat", "someone else's script\r\n");
    app.Type(Form1::kTxtVokCom, L"data");
    app.Click(Form1::kCmdCom);
    WaitForToolCalls(1);
    ASSERT_TRUE(Exists("compile.bat"));
    EXPECT_EQ(app.CloseAndWait(way[0], way[1]), 0);
    EXPECT_FALSE(Exists("compile.bat"));
    EXPECT_EQ(ReadBytes("decompile.bat"), "someone else's script\r\n");
  }
}

// Alt+F4 reaches the window as WM_SYSCOMMAND SC_CLOSE, tested above.
TEST(JobsThroughWindow, SessionEndCleansUpWithoutAClose) {
  RunningApp app;
  app.Type(Form1::kTxtVokCom, L"data");
  app.Click(Form1::kCmdCom);
  WaitForToolCalls(1);
  ASSERT_TRUE(Exists("compile.bat"));
  EXPECT_NE(SendMessageW(app.window(), WM_QUERYENDSESSION, 0, 0), 0) << "never refused";
  SendMessageW(app.window(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(ListDir().empty());
}

TEST(JobsThroughWindow, FailureIsReportedAndEndsTheProgram) {
  RunningApp app;
  WriteBytes("compile.bat", "read-only script\r\n");
  SetFileAttributesW(L"compile.bat", FILE_ATTRIBUTE_READONLY);
  app.Type(Form1::kTxtVokCom, L"data");
  app.Click(Form1::kCmdCom);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const auto shown = ReadMessageBox(box);
  EXPECT_EQ(shown.title, L"VOK Decompiler");
  EXPECT_NE(shown.text.find(L"compile.bat"), std::wstring::npos) << WideToUtf8(shown.text);
  EXPECT_NE(shown.text.find(Utf8ToWide(SystemErrorText(ERROR_ACCESS_DENIED))), std::wstring::npos)
      << WideToUtf8(shown.text);
  EXPECT_TRUE(BoxIconIs(box, MAKEINTRESOURCEW(32513)));  // IDI_HAND, the error icon
  app.Dismiss(box);
  EXPECT_EQ(app.WaitForExit(), 1);
  SetFileAttributesW(L"compile.bat", FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes("compile.bat"), "read-only script\r\n");
  EXPECT_FALSE(Exists("vok-calls.txt")) << "nothing was started";
}

}  // namespace
}  // namespace vok::test
