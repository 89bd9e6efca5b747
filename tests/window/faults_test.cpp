// Faults from outside: each must be reported with the system's text, end the
// program with a non-zero exit, and leave every other file as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "app_driver.h"
#include "form1.h"
#include "win32_text.h"

namespace vok::test {
namespace {

// Every file of the working folder with its bytes, less the recording tool.
std::map<std::string, std::string> Snapshot() {
  std::map<std::string, std::string> files;
  for (const auto& name : ListDir()) files[name] = ReadBytes(name);
  return files;
}

// Presses the button and expects the fatal report naming the file and the
// system's text for the error; returns the program's exit code.
int ExpectFatalReport(RunningApp& app, int button, const char* fileName, DWORD error) {
  app.Click(button);
  HWND box = app.WaitForMessageBox();
  EXPECT_NE(box, nullptr);
  if (!box) return -1;
  const auto shown = ReadMessageBox(box);
  EXPECT_EQ(shown.title, L"VOK Decompiler");
  EXPECT_NE(shown.text.find(Utf8ToWide(fileName)), std::wstring::npos) << WideToUtf8(shown.text);
  EXPECT_NE(shown.text.find(Utf8ToWide(SystemErrorText(error))), std::wstring::npos)
      << WideToUtf8(shown.text);
  app.Dismiss(box);
  return app.WaitForExit();
}

TEST(Faults, ScriptHeldOpenByAnotherProgram) {
  RunningApp app;
  WriteBytes("decompile.bat", "in use\r\n");
  WriteBytes("notes.txt", "unrelated\r\n");
  const auto before = Snapshot();
  HANDLE held = CreateFileW(L"decompile.bat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  app.Type(Form1::kTxtVokDe, L"save");
  EXPECT_EQ(ExpectFatalReport(app, Form1::kCmdDe, "decompile.bat", ERROR_SHARING_VIOLATION), 1);
  CloseHandle(held);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_FALSE(Exists("vok-calls.txt")) << "nothing was started";
}

// Needs a folder that nobody may write to; the test run prepares one and
// names it in VOK_LOCKED_FOLDER (a Unix path).
TEST(Faults, WorkingFolderNotWritable) {
  const char* locked = std::getenv("VOK_LOCKED_FOLDER");
  if (!locked) GTEST_SKIP() << "VOK_LOCKED_FOLDER is not set";
  const std::filesystem::path folder = std::string("Z:") + locked;
  RunningApp app(folder);
  app.Type(Form1::kTxtVokCom, L"data");
  EXPECT_EQ(ExpectFatalReport(app, Form1::kCmdCom, "compile.bat", ERROR_ACCESS_DENIED), 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "compile.bat"));
}

TEST(Faults, HundredThousandCharacterNameIsRefused) {
  RunningApp app;
  app.Type(Form1::kTxtVokCom, std::wstring(100000, L'n'));
  app.Click(Form1::kCmdCom);
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const auto shown = ReadMessageBox(box);
  EXPECT_EQ(shown.title, L"Invalid Name");
  EXPECT_EQ(shown.text, L"That name is too long to be passed to vok.exe");
  app.Dismiss(box);
  EXPECT_TRUE(ListDir().empty());
  EXPECT_EQ(app.CloseAndWait(), 0);
}

TEST(Faults, TwoCopiesInOneFolder) {
  RunningApp first;
  RunningApp second(std::filesystem::current_path());
  first.Type(Form1::kTxtVokCom, L"from first");
  first.Click(Form1::kCmdCom);
  WaitForToolCalls(1);
  second.Type(Form1::kTxtVokDe, L"from second");
  second.Click(Form1::kCmdDe);
  const auto calls = WaitForToolCalls(2);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args, std::vector<std::string>({"c", "from first"}));
  EXPECT_EQ(calls[1].args, std::vector<std::string>({"d", "from second.vok"}));

  // Each copy removes the script it wrote, and only that one.
  EXPECT_EQ(first.CloseAndWait(), 0);
  EXPECT_FALSE(Exists("compile.bat"));
  EXPECT_EQ(ReadBytes("decompile.bat"), "vok.exe d     \"from second.vok\"\r\n");
  EXPECT_EQ(second.CloseAndWait(), 0);
  EXPECT_TRUE(ListDir().empty());
}

}  // namespace
}  // namespace vok::test
