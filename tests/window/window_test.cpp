// The real program under Wine, driven as a user would: the window as
// designed (its layout, fonts, styles and warnings read in this process,
// which carries the same window and resources, as font and icon handles mean
// nothing in another process), the jobs through the real cmd.exe and a
// recording vok.exe, watched scripts, and failures that end the program.
// The executable's own resources are checked as a file (tests/pe).
#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "form1.h"
#include "test_files.h"
#include "win32_job_platform.h"
#include "win32_text.h"
#include "window_driver.h"

namespace fs = std::filesystem;

namespace vok::test {
namespace {

using Strings = std::vector<std::string>;

// Every name in names.txt: a "+" name must reach vok.exe, an ANSI program,
// as typed (plus ".vok" to unpack) in a minimised console; a "-" name must
// be refused by both jobs, with nothing written or started. The names take
// turns at the jobs, a round of the copies at a time, but a trailing
// backslash, which quoting must double, always goes to the pack job, where
// nothing follows it. Four copies of the program work side by side in
// folders of their own, each beside a cmd.exe that is not the system's and
// must never run.
TEST(Jobs, NamesReachTheToolExactlyOrAreRefused) {
  Strings accepted, refused;
  std::istringstream list(ReadFile(VOK_NAMES));
  for (std::string line; std::getline(list, line);) {
    (line[0] == '+' ? accepted : refused).push_back(line.substr(1));
  }
  ASSERT_GE(accepted.size(), 200u);
  ScratchDir scratch;
  const std::string lanes[] = {"0/", "1/", "2/", "3/"};
  std::map<std::string, std::unique_ptr<App>> apps;
  std::map<std::string, std::vector<Strings>>
      calls;  // what each lane's tool must have been called with
  std::map<std::string, std::pair<bool, std::wstring>> typed;  // how its last name was sent
  for (const auto& lane : lanes) {
    fs::create_directory(lane);
    fs::copy_file(VOK_RECORDER_PATH, lane + "vok.exe");
    fs::copy_file(VOK_RECORDER_PATH, lane + "cmd.exe");
    apps[lane] = std::make_unique<App>(scratch.path / lane);
  }
  for (std::size_t i = 0; i < accepted.size() + std::size(lanes); ++i) {
    const std::string& lane = lanes[i % std::size(lanes)];
    App& app = *apps[lane];
    // Under load, Wine's cmd.exe now and then fails to start the tool, and
    // says it is not found (9009): the name is sent once more.
    if (!WaitForCalls(calls[lane].size(), lane) &&
        app.Box(0).find(L"did not find vok.exe") != std::wstring::npos) {
      app.Submit(typed[lane].first, typed[lane].second);
    }
    // A script is rewritten only once the cmd.exe running it is done.
    ASSERT_TRUE(WaitForCalls(calls[lane].size(), lane)) << WideToUtf8(app.Box(0));
    app.WaitForScripts();
    ASSERT_EQ(ToolCalls(lane), calls[lane]);
    if (i >= accepted.size()) continue;
    const bool pack = i / std::size(lanes) % 2 == 0 || accepted[i].back() == '\\';
    calls[lane].push_back({pack ? "c" : "d", accepted[i] + (pack ? "" : ".vok")});
    typed[lane] = {pack, Utf8ToWide(accepted[i])};
    app.Submit(pack, typed[lane].second);
  }
  const std::string scripts = ReadFile("0/compile.bat") + ReadFile("0/decompile.bat");
  for (const std::string& name : refused) {
    for (bool pack : {true, false}) {
      apps["0/"]->Submit(pack, Utf8ToWide(name));
      EXPECT_EQ(apps["0/"]->Box().substr(0, 14), L"Invalid Name: ") << name.substr(0, 80);
    }
  }
  EXPECT_EQ(ToolCalls("0/"), calls["0/"]);
  EXPECT_EQ(ReadFile("0/compile.bat") + ReadFile("0/decompile.bat"), scripts);
}

// A script is written in the code page its console will read it in, as the
// user's console settings give it (tests/window/console_settings.tsv); a
// name whose bytes that code page cannot settle is refused. Wine's console
// ignores these settings, so this checks the bytes the platform writes. It
// changes the settings of its own Wine prefix (tests/window/CMakeLists.txt),
// never the one the other tests share.
TEST(Platform, ScriptFollowsTheConsoleCodePageSettings) {
  if (!std::getenv("VOK_CONSOLE_SETTINGS")) GTEST_SKIP() << "runs in a Wine prefix of its own";
  const auto set = [](const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                      DWORD size) {
    if (!data) return (void)RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, data, size), ERROR_SUCCESS);
  };
  const DWORD utf8 = 65001;
  set(L"Console", L"CodePage", REG_DWORD, &utf8, sizeof(utf8));
  const Win32JobPlatform platform;
  const wchar_t classic[] = L"{B23D10C0-E52E-411E-9D5B-C09FDF709C7D}";
  for (const Strings& row : TableRows(VOK_CONSOLE_SETTINGS_TABLE, 3)) {
    SCOPED_TRACE(row[0] + " " + row[1]);
    const DWORD forTitle = row[1] == "-" ? 0 : std::stoul(row[1]);
    set(L"Console\\%%Startup", L"DelegationTerminal", REG_SZ, row[0] == "yes" ? classic : nullptr,
        sizeof(classic));
    set(L"Console\\VOK Decompiler job", L"CodePage", REG_DWORD, forTitle ? &forTitle : nullptr,
        sizeof(DWORD));
    EXPECT_EQ(platform.EncodeForScript("caf\xC3\xA9").value_or("refused"), row[2]);
  }
}

// What the program asks of the system's cmd.exe, as the interpreter itself
// receives it: a minimised window, the user's AutoRun commands left out (/d),
// delayed expansion off (/v:off). The recording tool stands in the system's
// cmd.exe in a Wine prefix of its own (tests/window/CMakeLists.txt).
TEST(Jobs, TheInterpreterRunsTheScriptMinimisedWithoutTheUsersSettings) {
  if (!std::getenv("VOK_INTERPRETER")) GTEST_SKIP() << "runs in a Wine prefix of its own";
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  fs::copy_file(VOK_RECORDER_PATH, fs::path(system) / L"cmd.exe",
                fs::copy_options::overwrite_existing);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"cmd.exe", REG_SZ,
                            L"native", sizeof(L"native")),
            ERROR_SUCCESS);
  ScratchDir scratch;
  App app;
  app.Submit(true, L"data");
  ASSERT_TRUE(WaitForCalls(1));
  EXPECT_EQ(ReadFile("vok-calls.txt").substr(0, 26), "minimised\t/d\t/v:off\t/s\t/c\t");
}

// The error file is open to the user alone, and goes with its object; a
// script is created new, never opened where a file is there. (Wine keeps the
// user as every file's owner, so the delete whatever the owner is shown by
// a reading only.)
TEST(Platform, ErrorFilesAreTheUsersAloneAndScriptsAreCreatedNew) {
  ScratchDir scratch;
  SetEnvironmentVariableW(L"TMP", scratch.path.c_str());
  std::wstring path;
  {
    ErrorFile errors;
    path = errors.path();
    ASSERT_FALSE(path.empty());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    wchar_t *dacl = nullptr, *user = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr, &descriptor),
              ERROR_SUCCESS);
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                         DACL_SECURITY_INFORMATION, &dacl, nullptr);
    HANDLE token = nullptr;
    unsigned char owner[256];
    DWORD size = 0;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    GetTokenInformation(token, TokenUser, owner, sizeof(owner), &size);
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(owner)->User.Sid, &user);
    // Nobody else (Wine adds the system's entry to what it was given).
    std::wstring granted = std::wstring(dacl).substr(std::wstring(dacl).find(L'('));
    if (const auto system = granted.find(L"(A;;FA;;;SY)"); system != std::wstring::npos) {
      granted.erase(system, 12);
    }
    EXPECT_EQ(granted, L"(A;;FA;;;" + std::wstring(user) + L")");
  }
  EXPECT_FALSE(fs::exists(path));
  SetEnvironmentVariableW(L"TMP", nullptr);
  WriteFile("compile.bat", "mine\r\n");
  Win32JobPlatform platform;
  EXPECT_THROW(platform.CreateNew(kPackJob.fileSlot, "compile.bat"), PlatformError);
  EXPECT_EQ(ReadFile("compile.bat"), "mine\r\n");
}

// The program's window in this process, where its fonts and boxes can be
// read; gone with this object unless it closed itself.
struct OwnWindow {
  const HWND hwnd = Form1::Register(GetModuleHandleW(nullptr))
                        ? Form1::Create(GetModuleHandleW(nullptr), SW_SHOWNORMAL)
                        : nullptr;
  OwnWindow() { EXPECT_NE(hwnd, nullptr); }
  ~OwnWindow() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
};

// What the warning boxes showed, as BoxesShownDuring returns it.
std::vector<std::wstring> shownBoxes;
HWND boxOwner;

// Reads and dismisses the message box on screen, if any.
void CALLBACK ReadBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = FindWindowW(L"#32770", nullptr);
  if (!box || !IsWindowVisible(box)) return;
  const std::wstring text = BoxText(box);
  const bool asDesigned = BoxAsDesigned(box, boxOwner, IDI_EXCLAMATION);
  shownBoxes.push_back(text.substr(0, text.find(L": ")) + (asDesigned ? L" !" : L""));
  EndDialog(box, IDOK);
}

// The titles of the message boxes shown while `press` runs, each with "!"
// for the exclamation icon, the window as owner and one button, OK.
std::vector<std::wstring> BoxesShownDuring(HWND window, const std::function<void()>& press) {
  shownBoxes.clear();
  boxOwner = window;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadBox);
  press();
  KillTimer(nullptr, timer);
  return shownBoxes;
}

// The controls as designed at `dpi`: every place and size is the design's
// twips at that DPI, but a label may grow downwards to hold its wrapped
// text; fonts by point size at that DPI; every text fits.
void ExpectControlsLaidOutAt(HWND window, int dpi) {
  const auto px = [&](LONG twips) -> LONG { return MulDiv(twips, dpi, 1440); };
  wchar_t text[128] = {};
  std::istringstream design(ReadFile(VOK_DESIGN));
  HWND control = GetWindow(window, GW_CHILD);
  for (std::string row; std::getline(design, row);) {
    if (row[0] == '#') continue;
    SCOPED_TRACE(row);
    ASSERT_NE(control, nullptr);
    std::istringstream fields(row);
    std::string kind;
    LONG left, top, width, height, size;
    fields >> kind >> left >> top >> width >> height >> size;
    const std::wstring caption = Utf8ToWide(row.substr(row.rfind('\t') + 1));
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right}),
              std::vector<LONG>({px(left), px(top), px(left + width)}));
    GetClassNameW(control, text, 128);
    EXPECT_EQ(WideToUtf8(text), kind);
    const bool grows = kind == "Static" && dpi != 96;
    EXPECT_TRUE(grows ? rect.bottom >= px(top + height) : rect.bottom == px(top + height));
    GetWindowTextW(control, text, 128);
    EXPECT_EQ(text, caption);
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof(font), &font);
    EXPECT_EQ(
        std::vector<LONG>({font.lfHeight, font.lfWeight, font.lfUnderline, font.lfItalic,
                           font.lfStrikeOut, font.lfCharSet}),
        std::vector<LONG>({-MulDiv(size, dpi, 7200), FW_NORMAL, size == 1350, 0, 0, ANSI_CHARSET}));
    // The text, wrapped as the label wraps it or on the button's one line,
    // fits inside the control.
    RECT inside, needed;
    GetClientRect(control, &inside);
    needed = inside;
    HDC dc = GetDC(control);
    SelectObject(dc, handle);
    DrawTextW(dc, caption.c_str(), -1, &needed,
              DT_CALCRECT | (kind == "Button" ? DT_SINGLELINE : DT_WORDBREAK));
    ReleaseDC(control, dc);
    if (!caption.empty()) {
      EXPECT_LE(needed.right, inside.right);
      // At 96 DPI the design's 25-pixel box holds the 8-point font's two
      // 13-pixel lines of the first "Type in" label but for the last row of
      // the second line's descent, as the design always did; at other DPIs
      // the label grows.
      EXPECT_LE(needed.bottom, inside.bottom + (dpi == 96 && height == 375 && kind == "Static"));
    }
    // Only text boxes and buttons take the focus. Labels are left-aligned
    // (and so word-wrapped), no button is the default, a text box holds one
    // line of any length: for each, the style's low bits are 0.
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    EXPECT_EQ(std::make_pair((style & WS_TABSTOP) != 0, style & 0xF),
              std::make_pair(kind != "Static", 0L));
    if (kind == "Edit") {
      EXPECT_GE(SendMessageW(control, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
    }
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(control, nullptr) << "no more controls";
}

// At the display's DPI (the test run sets 96, 120, 144 and 192, a Wine
// prefix each): the window's caption, client size and controls as designed
// at that DPI, the window inside the work area, its icon.
TEST(Window, LayoutFontsAndStylesAsDesigned) {
  const int dpi = std::getenv("VOK_DPI") ? std::atoi(std::getenv("VOK_DPI")) : 96;
  const OwnWindow own;
  const HWND window = own.hwnd;
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(GetDeviceCaps(GetDC(window), LOGPIXELSY), dpi);
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  EXPECT_STREQ(text, L".vok Decompiler");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(std::make_pair(client.right, client.bottom),
            std::make_pair(LONG{MulDiv(4050, dpi, 1440)}, LONG{MulDiv(4155, dpi, 1440)}));
  // The whole window on the screen's work area.
  RECT frame, work;
  GetWindowRect(window, &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
              frame.bottom <= work.bottom);
  ExpectControlsLaidOutAt(window, dpi);
  // The icon Alt+Tab and the taskbar show.
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0u);
  // Moved to a screen of another scale (Wine never sends it, so the test
  // does): the window takes the rectangle Windows suggests exactly, even
  // partly off the work area, as when it spans two screens, and lays its
  // controls out at the new scale.
  RECT taken, suggested = {work.right - 200, work.top + 40, work.right + 300, work.top + 600};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  GetWindowRect(window, &taken);
  EXPECT_TRUE(EqualRect(&taken, &suggested));
  ExpectControlsLaidOutAt(window, 144);
}

// A drop as Explorer makes it: a DROPFILES block of wide paths in global
// memory, sent to the window as WM_DROPFILES.
HGLOBAL Drop(HWND window, const std::wstring& path) {
  const std::size_t bytes = (path.size() + 2) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, path.c_str(), bytes - sizeof(wchar_t));
  GlobalUnlock(memory);
  SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  return memory;
}

// The window takes drops, as Explorer makes them: a dropped folder fills the
// pack box, a .vok file the unpack box; the drop is freed, and nothing
// starts. Dropped folders (without a trailing "\\") and .vok files count as
// inside the working folder exactly when the file system takes the names for
// the same, whatever the user's language (tests/window/folded_drops.tsv).
// Each row's working folder and the folder holding the drop are made for
// real; where the file system folds them together, the one folder holds
// both. (Drops come only to a window of this process.)
TEST(Window, DropsFillTheBoxesAsTheFileSystemFoldsNames) {
  ScratchDir scratch;
  const OwnWindow own;
  const HWND window = own.hwnd;
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "Explorer may drop";
  int row = 0;
  for (const Strings& r : TableRows(VOK_FOLDED_DROPS, 3, true)) {
    const fs::path base = scratch.path / std::to_wstring(++row), folder = base / PathOf(r[0]),
                   dropped = base / PathOf(r[1]);
    const bool file = dropped.has_extension(), same = r[2] == "same";
    fs::create_directories(folder);
    file ? WriteFile(dropped.u8string(), "") : (void)fs::create_directories(dropped);
    ASSERT_EQ(fs::exists(folder / dropped.filename()), same) << row;
    fs::current_path(folder);
    HGLOBAL drop = nullptr;
    EXPECT_EQ(BoxesShownDuring(window, [&] { drop = Drop(window, dropped.wstring()); }),
              std::vector<std::wstring>{})
        << row;
    EXPECT_EQ(GlobalFlags(drop), GMEM_INVALID_HANDLE) << row;
    const int box = file ? Form1::kTxtVokDe : Form1::kTxtVokCom;
    wchar_t text[MAX_PATH] = {};
    GetDlgItemTextW(window, box, text, MAX_PATH);
    const std::wstring name = (file ? dropped.parent_path() / dropped.stem() : dropped).wstring();
    EXPECT_EQ(text, same ? name.substr(name.rfind(L'\\') + 1) : name) << row;
    EXPECT_FALSE(fs::exists("compile.bat") || fs::exists("decompile.bat")) << row;
  }
  fs::current_path(scratch.path);
  // Anything else is refused, with a warning as designed.
  WriteFile("notes.txt", "");
  EXPECT_EQ(BoxesShownDuring(window, [&] { Drop(window, scratch.path / L"notes.txt"); }),
            std::vector<std::wstring>{L"Drop Refused !"});
}

}  // namespace
}  // namespace vok::test
