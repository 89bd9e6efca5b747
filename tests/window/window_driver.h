#pragma once

// Drives the real program under Wine as a user would: starts a copy in a
// folder, types, clicks, reads and dismisses its boxes, closes it, and reads
// what the recording vok.exe logged.
#include <windows.h>
// psapi.h and tlhelp32.h need windows.h first.
#include <psapi.h>
#include <tlhelp32.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "form1.h"
#include "test_files.h"

namespace vok::test {

// Polls until the condition holds or the time is up; returns the last result.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000) {
  for (DWORD waited = 0; waited < timeoutMs && !condition(); waited += 50) Sleep(50);
  return condition();
}

// Brings the window to the front, as a click on its taskbar button does,
// and returns once the window has handled its activation: a click that came
// before it would be undone by it. The messages of this thread's own
// windows flow meanwhile.
inline bool BringToFront(HWND window, DWORD timeoutMs = 10000) {
  DWORD_PTR answer = 0;
  return WaitUntil(
             [&] {
               for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
                 DispatchMessageW(&message);
               }
               return SetForegroundWindow(window) && GetForegroundWindow() == window;
             },
             timeoutMs) &&
         SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs, &answer) != 0;
}

// "<title>: <text>" of a message box.
inline std::wstring BoxText(HWND box) {
  wchar_t title[256] = {}, text[4096] = {};
  GetWindowTextW(box, title, 256);
  GetDlgItemTextW(box, 0xFFFF, text, 4096);
  return std::wstring(title) + L": " + text;
}

// Whether a message box is as the program's boxes are: owned by its window
// (which it disables), with one button, OK, and the icon (which only the
// box's own process can tell: its handles are its own).
inline bool BoxAsDesigned(HWND box, HWND owner, const wchar_t* icon) {
  bool shown = false;
  std::vector<int> buttons;
  wchar_t className[16] = {};
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    shown |= !icon || SendMessageW(child, STM_GETICON, 0, 0) ==
                          reinterpret_cast<LRESULT>(LoadIconW(nullptr, icon));
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Button") == 0) buttons.push_back(GetDlgCtrlID(child));
  }
  return shown && GetWindow(box, GW_OWNER) == owner && buttons == std::vector<int>{IDOK};
}

// A scratch working folder with the recording tool in it as vok.exe.
struct ToolFolder : ScratchDir {
  ToolFolder() { std::filesystem::copy_file(VOK_RECORDER_PATH, "vok.exe"); }
};

// The calls the recording tool logged in a folder ("" or ending in '/'): the
// arguments of each (what cmd.exe asked of the tool's window is its own).
inline std::vector<std::vector<std::string>> ToolCalls(const std::string& folder = "") {
  std::vector<std::vector<std::string>> calls;
  std::istringstream log(ReadFile(folder + "vok-calls.txt"));
  // A last line without its line feed is still being written.
  for (std::string line; std::getline(log, line) && !log.eof();) {
    std::istringstream fields(line);
    auto& call = calls.emplace_back();
    std::string shown;  // what the tool's starter asked of its window
    std::getline(fields, shown, '\t');
    for (std::string field; std::getline(fields, field, '\t');) call.push_back(field);
  }
  return calls;
}

// Whether the tool has been called `count` times in the folder, waiting
// for it.
inline bool WaitForCalls(std::size_t count, const std::string& folder = "") {
  return WaitUntil([&] { return ToolCalls(folder).size() >= count; }, 30000);
}

class App {
 public:
  // Starts the program in `folder`, its window shown as `show` says, and
  // waits for the window, which it puts in the foreground unless it starts
  // minimised: a window an earlier test left there must not matter.
  explicit App(const std::filesystem::path& folder = std::filesystem::current_path(),
               WORD show = SW_SHOWNORMAL) {
    std::wstring commandLine = L"\"" VOK_APP_PATH L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    if (!CreateProcessW(VOK_APP_PATH, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process_) ||
        !WaitUntil([&] { return (window_ = Find(L"VokDecompilerForm1")) != nullptr; })) {
      throw std::runtime_error("the program's window did not appear");
    }
    if (show == SW_SHOWNORMAL) BringToFront(window_);
  }
  ~App() {
    TerminateProcess(process_.hProcess, 99);  // when still running
    WaitForExit();
    WaitForScripts();
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(process_.dwThreadId, &info);
    return info.hwndFocus;
  }
  void Type(int id, const std::wstring& text) const {
    DWORD_PTR done = 0;
    SendMessageTimeoutW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 10000, &done);
  }
  // The name typed into a job's text box, and its button clicked.
  void Submit(bool pack, const std::wstring& name) const {
    Type(pack ? Form1::kTxtVokCom : Form1::kTxtVokDe, name);
    Click(pack ? Form1::kCmdCom : Form1::kCmdDe);
  }
  // Returns at once, as a click does.
  void Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }
  // A click on the button, which the window has then taken: its handler has
  // returned, or shows a box.
  void Press(int id) const {
    Click(id);
    Settle();
  }
  // The button's click as automation tools send it to the window: posted,
  // and delivered by the loop of a box that is open.
  void PostCommand(int id) const {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(id)));
    Settle();
  }
  // Returns once the window has taken the messages posted to it before: a
  // first answer may come ahead of them, a second comes after, or from the
  // loop of a box they showed.
  void Settle() const {
    Answers();
    Answers();
  }
  // Whether the window has handled every message sent before this one.
  bool Answers(UINT timeoutMs = 10000) const {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_BLOCK, timeoutMs, &answer) != 0;
  }
  void Key(WPARAM key) const {
    PostMessageW(Focus(), WM_KEYDOWN, key, 1);
    PostMessageW(Focus(), WM_KEYUP, key, 0xC0000001);
  }
  // "<title>: <text>" of the message box on screen, left open; empty when
  // none shows in time.
  std::wstring ShownBox(DWORD timeoutMs = 10000) const {
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = Find(L"#32770")) != nullptr; }, timeoutMs)) return L"";
    return BoxText(box);
  }
  // Whether the message box on screen is as designed, whatever its icon.
  bool BoxAsDesigned() const { return test::BoxAsDesigned(Find(L"#32770"), window_, nullptr); }
  // The next message box, as ShownBox reads it, which is then dismissed with
  // OK.
  std::wstring Box(DWORD timeoutMs = 10000) const {
    const std::wstring shown = ShownBox(timeoutMs);
    HWND box = Find(L"#32770");
    if (!box) return shown;
    // As the OK button tells its box; a click on it needs the box in front.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    WaitUntil([&] { return !IsWindow(box); });
    return shown;
  }
  int WaitForExit(DWORD timeoutMs = 10000) const {
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
    return ended && GetExitCodeProcess(process_.hProcess, &code) ? static_cast<int>(code) : -1;
  }
  // Whether a cmd.exe that the program started still runs (Wine may also
  // make the program the parent of its desktop process).
  bool RunsScripts() const {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
      found = entry.th32ParentProcessID == process_.dwProcessId &&
              lstrcmpiW(entry.szExeFile, L"cmd.exe") == 0;
    }
    CloseHandle(snapshot);
    return found;
  }
  // The most memory the program has used so far.
  SIZE_T PeakWorkingSet() const {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(process_.hProcess, &counters, sizeof(counters));
    return counters.PeakWorkingSetSize;
  }
  void WaitForScripts() const {
    WaitUntil([&] { return !RunsScripts(); }, 30000);
  }

 private:
  // The program's visible top-level window of the class.
  HWND Find(const wchar_t* className) const {
    for (HWND hwnd = FindWindowExW(nullptr, nullptr, className, nullptr); hwnd;
         hwnd = FindWindowExW(nullptr, hwnd, className, nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(hwnd, &owner);
      if (owner == process_.dwProcessId && IsWindowVisible(hwnd)) return hwnd;
    }
    return nullptr;
  }

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

}  // namespace vok::test
