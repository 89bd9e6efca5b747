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
#include "win32_job_platform.h"
#include "win32_text.h"

namespace fs = std::filesystem;

namespace vok::test {
namespace {

using Strings = std::vector<std::string>;

// Both jobs for every name in names.txt: a "+" name must reach vok.exe as
// typed (plus ".vok" to unpack), in a minimised console, and the fuzz
// target's model of cmd.exe must read the script as the real one did; a "-"
// name must be refused. Three copies of the program work side by side in
// folders of their own, and each closes in its own way at the end.
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
    if (!sent[lane].empty()) {  // the lane's last name: its calls, and the model's reading
      const std::string& name = sent[lane].back();
      auto calls = ToolCalls(lane);
      std::sort(calls.end() - 2, calls.end());
      EXPECT_EQ(
          std::vector<Strings>(calls.end() - 2, calls.end()),
          (std::vector<Strings>{{"minimised", "c", name}, {"minimised", "d", name + ".vok"}}));
      const std::string line = ReadFile(lane + "compile.bat");
      EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2);  // one line, ended by CR LF
      const auto oem = WideToCodePageExactly(Utf8ToWide(name), GetOEMCP());
      EXPECT_EQ(SplitCommandLine(ReadBatchLine(line.substr(0, line.size() - 2)).commandLine),
                (Strings{"vok.exe", "c", oem.value_or("")}));
    }
    if (i >= accepted.size()) continue;
    sent[lane].push_back(accepted[i]);
    apps[lane]->Type(Form1::kTxtVokCom, Utf8ToWide(accepted[i]));
    apps[lane]->Type(Form1::kTxtVokDe, Utf8ToWide(accepted[i]));
    apps[lane]->Click(Form1::kCmdCom);
    apps[lane]->Click(Form1::kCmdDe);
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

// While a job's script runs, its button is refused and nothing changes, in
// this copy and in another copy in the same folder; the other job stays
// free, and the window answers all along. (Rewriting the script beneath the
// running cmd.exe would run a fragment of the new name as a command.)
TEST(Jobs, NoSecondRunBeneathARunningScript) {
  ToolFolder folder;
  WriteFile("vok.hold", "");  // the recording vok.exe waits while it exists
  App first, second;
  first.Type(Form1::kTxtVokCom, L"first");
  first.Click(Form1::kCmdCom);
  ASSERT_TRUE(WaitUntil([&] { return ToolCalls().size() == 1; }));
  for (App* app : {&first, &second}) {
    app->Type(Form1::kTxtVokCom, L"aaaaaa& echo x> pwned.txt");
    app->Click(Form1::kCmdCom);
    EXPECT_EQ(app->Box(),
              L"Job Running: The last compile job is still running. Wait for it to "
              L"finish, then try again.");
    EXPECT_TRUE(WaitUntil([&] { return app->Focus() == app->Control(Form1::kTxtVokCom); }));
  }
  EXPECT_EQ(ReadFile("compile.bat"), "vok.exe c     first\r\n");
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(first.window(), WM_NULL, 0, 0, SMTO_BLOCK, 2000, &answer));
  second.Type(Form1::kTxtVokDe, L"other");
  second.Click(Form1::kCmdDe);
  ASSERT_TRUE(WaitUntil([&] { return ToolCalls().size() == 2; }));
  fs::remove("vok.hold");
  first.WaitForScripts();
  second.WaitForScripts();
  second.Click(Form1::kCmdCom);
  ASSERT_TRUE(WaitUntil([&] { return ToolCalls().size() == 3; }));
  EXPECT_EQ(ToolCalls()[2], (Strings{"minimised", "c", "aaaaaa& echo x> pwned.txt"}));
  EXPECT_EQ(ListFolder(), (Strings{"compile.bat", "decompile.bat"}));
}

// cmd.exe runs each script without the user's AutoRun commands (/d) and with
// delayed expansion off (/v:off), the script's name quoted for /s /c. Wine
// ignores the DelayedExpansion setting, so there the names with "!" in
// names.txt guard only the quoting, and this exact command line the switches.
TEST(Jobs, CmdTurnsOffAutoRunAndDelayedExpansionWhichWineIgnores) {
  EXPECT_EQ(ScriptCommandLine(L"C:\\windows\\system32\\cmd.exe", L"compile.bat"),
            L"\"C:\\windows\\system32\\cmd.exe\" /d /v:off /s /c \"\".\\compile.bat\"\"");
  EXPECT_EQ(ScriptCommandLine(L"D:\\My Windows\\cmd.exe", L"my script.bat"),
            L"\"D:\\My Windows\\cmd.exe\" /d /v:off /s /c \"\".\\my script.bat\"\"");
}

// A script that fails is told, by job, name and reason; success is not.
TEST(Jobs, FailedScriptsAreTold) {
  ToolFolder folder;
  App app;
  const std::wstring pack = L"Job Failed: The compile job for \"";
  const std::wstring kill = L"killed exit=0";
  const std::pair<std::wstring, std::wstring> kCases[] = {
      {L"done exit=0", L""},
      {L"broken exit=3", pack + L"broken exit=3\" failed: vok.exe ended with exit code 3."},
      // The console closed under it: Wine's cmd.exe then ends with 0, so the
      // test ends it with the code Windows gives.
      {kill, pack + kill + L"\" was stopped: its console window was closed before it finished."},
      {L"lost", pack +
                    L"lost\" failed: cmd.exe did not find vok.exe. It looked in the working "
                    L"folder, " +
                    folder.path.wstring() + L", first, then in the folders on the PATH."},
  };
  for (const auto& [name, told] : kCases) {
    if (name == L"lost") fs::remove("vok.exe");
    if (name == kill) WriteFile("vok.hold", "");
    app.Type(Form1::kTxtVokCom, name);
    app.Click(Form1::kCmdCom);
    if (name == kill) {
      ASSERT_TRUE(WaitUntil([&] { return app.Scripts().size() == 1; }));
      HANDLE script = OpenProcess(PROCESS_TERMINATE, FALSE, app.Scripts()[0]);
      TerminateProcess(script, 0xC000013A);
      CloseHandle(script);
      fs::remove("vok.hold");
    }
    EXPECT_EQ(app.Box(told.empty() ? 2000 : 10000), told);
    app.WaitForScripts();
  }
}

}  // namespace
}  // namespace vok::test
