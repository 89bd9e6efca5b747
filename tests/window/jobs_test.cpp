// The jobs as a user runs them: the real window, the real cmd.exe and a
// recording vok.exe. What the tool receives, the cleanup when the window
// closes, and failures that end the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

#include "app_driver.h"
#include "cmd_line_model.h"
#include "form1.h"
#include "win32_text.h"

namespace fs = std::filesystem;

namespace vok::test {
namespace {

using Strings = std::vector<std::string>;

// Both jobs for every name in names.txt: a "+" name must reach vok.exe as
// typed (plus ".vok" to unpack), in a minimised console; a "-" name must be
// refused. Three copies of the program work side by side in folders of their
// own, and each closes in its own way at the end.
TEST(Jobs, NamesReachTheToolExactlyOrAreRefused) {
  Strings accepted, refused = {std::string(100000, 'n')};
  std::ifstream list(VOK_NAMES, std::ios::binary);
  for (std::string line; std::getline(list, line);) {
    (line[0] == '+' ? accepted : refused).push_back(line.substr(1));
  }
  ASSERT_GE(accepted.size(), 200u);
  ScratchDir scratch;
  const std::string lanes[] = {"0/", "1/", "2/"};
  std::map<std::string, std::unique_ptr<App>> apps;
  std::map<std::string, Strings> sent;
  for (const auto& lane : lanes) {
    fs::create_directory(lane);
    fs::copy_file(VOK_RECORDER_PATH, lane + "vok.exe");
    apps[lane] = std::make_unique<App>(scratch.path / lane);
  }
  for (std::size_t i = 0; i < accepted.size() + 3; ++i) {
    const std::string& lane = lanes[i % 3];
    // A script is rewritten only once the cmd.exe running it is done.
    ASSERT_TRUE(WaitUntil([&] { return ToolCalls(lane).size() == 2 * sent[lane].size(); }));
    apps[lane]->WaitForScripts();
    // One line ended by CR LF, which the fuzz target's model of cmd.exe
    // reads as the real one did.
    const std::string script = ReadFile(lane + "compile.bat");
    if (i >= 3) {
      EXPECT_EQ(script.find_first_of("\r\n"), script.size() - 2);
      const auto name = WideToCodePageExactly(Utf8ToWide(sent[lane].back()), GetOEMCP());
      const CmdReading reading = ReadBatchLine(script.substr(0, script.size() - 2));
      EXPECT_EQ(SplitCommandLine(reading.commandLine),
                (Strings{"vok.exe", "c", name.value_or("")}));
    }
    if (i >= accepted.size()) continue;
    sent[lane].push_back(accepted[i]);
    apps[lane]->Type(Form1::kTxtVokCom, Utf8ToWide(accepted[i]));
    apps[lane]->Type(Form1::kTxtVokDe, Utf8ToWide(accepted[i]));
    apps[lane]->Click(Form1::kCmdCom);
    apps[lane]->Click(Form1::kCmdDe);
  }
  for (const auto& lane : lanes) {
    const auto calls = ToolCalls(lane);
    for (std::size_t i = 0; i < sent[lane].size(); ++i) {
      const std::string& name = sent[lane][i];
      std::vector<Strings> pair = {calls[2 * i], calls[2 * i + 1]};
      std::sort(pair.begin(), pair.end());
      EXPECT_EQ(pair, (std::vector<Strings>{{"minimised", "c", name},
                                            {"minimised", "d", name + ".vok"}}));
    }
  }
  for (const std::string& name : refused) {
    apps["0/"]->Type(Form1::kTxtVokCom, Utf8ToWide(name));
    apps["0/"]->Type(Form1::kTxtVokDe, Utf8ToWide(name));
    for (int button : {Form1::kCmdCom, Form1::kCmdDe}) {
      apps["0/"]->Click(button);
      EXPECT_EQ(apps["0/"]->Box().substr(0, 14), L"Invalid Name: ") << name.substr(0, 80);
    }
  }
  EXPECT_EQ(ToolCalls("0/").size(), 2 * sent["0/"].size());

  // However the window goes, the scripts this run wrote go with it, even
  // one the user has deleted already.
  fs::remove("2/compile.bat");
  EXPECT_NE(SendMessageW(apps["2/"]->window(), WM_QUERYENDSESSION, 0, 0), 0) << "never refused";
  SendMessageW(apps["2/"]->window(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(apps["0/"]->Close(WM_CLOSE), 0);
  EXPECT_EQ(apps["1/"]->Close(WM_SYSCOMMAND, SC_CLOSE), 0);
  for (const auto& lane : lanes) EXPECT_TRUE(ListFolder(lane).empty()) << lane;
}

// A failing file operation is reported with the file's name and the system's
// text, and ends the program with status 1; the folder stays as it was and
// nothing is started. The faults: the script held open by another program,
// a read-only script, and a folder no one may write to (made by the test run).
TEST(Jobs, FailuresAreReportedAndEndTheProgram) {
  std::vector<std::tuple<DWORD, bool, DWORD, std::string>> faults = {
      {ERROR_SHARING_VIOLATION, true, FILE_ATTRIBUTE_NORMAL, ""},
      {ERROR_ACCESS_DENIED, false, FILE_ATTRIBUTE_READONLY, ""}};
  if (const char* locked = std::getenv("VOK_LOCKED_FOLDER")) {
    faults.emplace_back(ERROR_ACCESS_DENIED, false, FILE_ATTRIBUTE_NORMAL, locked);
  }
  for (const auto& [error, hold, attributes, lockedFolder] : faults) {
    SCOPED_TRACE(error);
    ToolFolder folder;
    if (!lockedFolder.empty()) fs::current_path("Z:" + lockedFolder);
    if (lockedFolder.empty()) WriteFile("compile.bat", "mine\r\n");
    SetFileAttributesW(L"compile.bat", attributes);
    HANDLE held =
        hold ? CreateFileW(L"compile.bat", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
             : INVALID_HANDLE_VALUE;
    const auto before = ListFolder();
    App app;
    app.Type(Form1::kTxtVokCom, L"data");
    app.Click(Form1::kCmdCom);
    const std::wstring report = app.Box();
    EXPECT_EQ(report.rfind(L"VOK Decompiler: ", 0), 0u) << WideToUtf8(report);
    EXPECT_NE(report.find(L"compile.bat"), std::wstring::npos) << WideToUtf8(report);
    EXPECT_NE(report.find(Utf8ToWide(SystemErrorText(error))), std::wstring::npos);
    EXPECT_EQ(app.WaitForExit(), 1);
    CloseHandle(held);
    SetFileAttributesW(L"compile.bat", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ListFolder(), before);
    EXPECT_EQ(ReadFile("compile.bat"), lockedFolder.empty() ? "mine\r\n" : "");
    EXPECT_TRUE(ToolCalls().empty());
    fs::current_path(folder.path);
  }
}

}  // namespace
}  // namespace vok::test
