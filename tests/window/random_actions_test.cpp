// A seeded random walk through what users and Windows do to the program:
// copies started (also through a second drive letter) and closed at any
// moment, also beneath an open box; names typed (safe, awkward, refused,
// empty, failing); presses; boxes dismissed; minimise and restore; a switch to
// another window and back; the tool held running; a script held open by
// another program. A small model says what each press must give. After every
// action: each copy is alive unless it was closed, and each close ended it
// with status 0 (1 only after a fatal report); the user's file is untouched
// and nothing else appears; each script holds one line of its job, and a
// script that must stay (its job still runs, or its copy is open) has the
// bytes it was written with; a script that must go is gone.
//
// The test command walks three fixed seeds; scripts/random-actions.sh walks
// longer with a seed of one's choosing (VOK_RANDOM_SEED, VOK_RANDOM_SECONDS).
// A failure prints the seed and the actions that led to it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "form1.h"
#include "win32_text.h"
#include "window_driver.h"

namespace fs = std::filesystem;

namespace vok::test {
namespace {

using Strings = std::vector<std::string>;

struct Broken : std::runtime_error {
  using std::runtime_error::runtime_error;
};
void Expect(bool holds, const std::string& what) {
  if (!holds) throw Broken(what);
}

// By job: 0 unpacks, 1 packs.
const char* const kScriptNames[] = {"decompile.bat", "compile.bat"};
const char* const kLines[] = {"vok.exe d     ", "vok.exe c     "};
const int kTextBoxes[] = {Form1::kTxtVokDe, Form1::kTxtVokCom};
const int kButtons[] = {Form1::kCmdDe, Form1::kCmdCom};
const char* const kSuffixes[] = {".vok", ""};
const std::string kNotes = "the user's notes\r\n";

// An exit status as Windows writes it: an exception code in hex.
std::string Status(int status) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  return status < -1 ? hex : std::to_string(status);
}

std::string Title(const std::wstring& box) {
  return WideToUtf8(box.substr(0, box.find(L": ")));
}

// Whether the recording tool fails for this argument, as it reads "exit=N".
bool Fails(const std::string& argument) {
  const auto at = argument.find("exit=");
  return at != std::string::npos && std::strtoul(argument.c_str() + at + 5, nullptr, 10) != 0;
}

struct Copy {
  std::unique_ptr<App> app;
  bool open = true;
  std::string box;       // the title of the box it shows, if any
  int failuresDue = 0;   // "Job Failed" boxes still to come
  int heldFailures = 0;  // failures among its held jobs, told once they end
  bool fatal = false;    // it showed a fatal report
  bool wrote[2] = {};
  std::string text[2];  // what its text boxes hold
};

struct Script {
  enum { kAbsent, kPresent, kUnknown } state = kAbsent;
  std::string bytes;                   // as written, while present
  int heldBy = -1;                     // the copy whose held job runs it
  int reservedBy = -1;                 // a copy that may still hold its reservation
  HANDLE lock = INVALID_HANDLE_VALUE;  // held open by "another program"
};

class Walk {
 public:
  Walk(unsigned seed, const Strings& accepted, const Strings& refused)
      : random_(seed), accepted_(accepted), refused_(refused) {
    WriteFile("notes.txt", kNotes);
    other_ = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                             100, nullptr, nullptr, nullptr, nullptr);
  }
  ~Walk() {
    fs::remove("vok.hold");
    for (Script& script : scripts_) CloseHandle(script.lock);
    copies_.clear();
    DestroyWindow(other_);
  }

  // One action, then the checks.
  void Step() {
    std::vector<int> open;
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (copies_[i].open) open.push_back(i);
    }
    if (open.empty()) return Start(), Check();
    const int i = open[Pick(open.size())];
    const int job = static_cast<int>(Pick(2));
    if (!copies_[i].box.empty()) {  // beneath a box only a close reaches the window
      Pick(5) ? Dismiss(i) : Close(i);
      return Check();
    }
    // By weight: type, press, close, start, leave and come back, hold or let go, lock.
    const char action = "tttppppcsllhhk"[Pick(14)];
    if (action == 't' || (action == 's' && open.size() == 2)) {
      Type(i, job);
    } else if (action == 'p') {
      Press(i, job);
    } else if (action == 'c') {
      Close(i);
    } else if (action == 's') {
      Start();
    } else if (action == 'l') {
      LeaveAndComeBack(i);
    } else if (action == 'h') {
      hold_ ? Release() : Hold();
    } else {
      Lock(job);
    }
    Check();
  }

  // The end of a walk: every box dismissed, the tool let go, each copy
  // closed, with the checks after each.
  void Finish() {
    const auto settle = [&] {
      for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
        while (copies_[i].open && !copies_[i].box.empty()) Dismiss(i);
      }
    };
    settle();
    if (hold_) Release(), Check();
    settle();
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (copies_[i].open) Close(i), Check();
    }
  }

  std::string trace;
  std::set<std::string> scenes;  // the rarer moments it reached
  int actions() const { return actions_; }

 private:
  std::size_t Pick(std::size_t n) { return random_() % n; }
  void Log(const std::string& action) {
    trace += std::to_string(++actions_) + ". " + action + "\n";
  }
  static std::string Shown(const std::string& name) {
    return "\"" + name.substr(0, 40) +
           (name.size() > 40 ? "...\" (" + std::to_string(name.size()) + " bytes)" : "\"");
  }
  std::string Who(int i) const { return "copy " + std::to_string(i); }
  static bool Held(const Script& script) { return script.heldBy >= 0; }
  // A copy may hold the reservation of a script whose job is not running:
  // its message loop sees a job's end only once its boxes are gone, and a
  // press that failed keeps it until the end.
  static bool MaybeReserved(const Script& script) { return script.reservedBy >= 0; }
  void Settled(int i) {
    for (Script& script : scripts_) {
      if (script.reservedBy == i) script.reservedBy = -1;
    }
  }

  void Start() {
    // X: is C:\users (scripts/wine-run.sh), a path of another length and letters.
    const bool viaX = Pick(2);
    fs::path folder = fs::current_path();
    if (viaX) folder = L"X:" + folder.wstring().substr(std::wstring(L"C:\\users").size());
    Log("start " + Who(static_cast<int>(copies_.size())) + (viaX ? " through X:" : ""));
    Copy copy;
    copy.app = std::make_unique<App>(folder);
    copies_.push_back(std::move(copy));
  }

  void Type(int i, int job) {
    std::string name;
    switch (Pick(8)) {
      case 0:
        break;
      case 1:
        name = refused_[Pick(refused_.size())];
        break;
      case 2:
      case 3:
        do name = accepted_[Pick(accepted_.size())];
        while (name.size() > 200);
        name += " exit=" + std::to_string(Pick(3));
        break;
      default:
        name = accepted_[Pick(accepted_.size())];
    }
    Log(Who(i) + " types " + Shown(name) + " into box " + std::to_string(job));
    copies_[i].text[job] = name;
    copies_[i].app->Type(kTextBoxes[job], Utf8ToWide(name));
  }

  void Press(int i, int job) {
    Copy& copy = copies_[i];
    Script& script = scripts_[job];
    const std::string& name = copy.text[job];
    Log(Who(i) + " presses button " + std::to_string(job) + " with " + Shown(name));
    std::set<std::string> expected;  // box titles; "" for a run
    if (name.empty()) {
      expected = {"No File"};
    } else if (std::find(refused_.begin(), refused_.end(), name) != refused_.end()) {
      expected = {"Invalid Name"};
    } else if (Held(script)) {
      expected = {"Job Running"};
    } else {
      expected = {script.lock != INVALID_HANDLE_VALUE ? "VOK Decompiler" : ""};
      if (MaybeReserved(script)) expected.insert("Job Running");
    }
    const std::size_t calls = ToolCalls().size();
    copy.app->Click(kButtons[job]);
    // The tool's call comes first: a failure's box may follow at once.
    std::wstring box;
    Expect(WaitUntil([&] {
             return ToolCalls().size() > calls || !(box = copy.app->ShownBox(0)).empty();
           }),
           "the press neither warned nor ran the tool");
    if (ToolCalls().size() > calls) box.clear();
    const std::string outcome = box.empty() ? "" : Title(box);
    Expect(expected.count(outcome) == 1, "the press gave " +
                                             (box.empty() ? "a run" : WideToUtf8(box)) + ", not " +
                                             (*expected.begin()));
    if (!box.empty()) {
      copy.box = outcome;
      copy.fatal = outcome == "VOK Decompiler";
      if (copy.fatal) script.reservedBy = i;
      return;
    }
    const std::string argument = name + kSuffixes[job];
    const auto called = ToolCalls();
    std::string last;
    for (const std::string& field : called.back()) last += "[" + field + "]";
    Expect(called.size() == calls + 1 &&
               called.back() == Strings{"minimised", job ? "c" : "d", argument},
           "the tool was not called once with the name, but " +
               std::to_string(called.size() - calls) + " times, last as " + last);
    copy.wrote[job] = true;
    script.state = Script::kPresent;
    script.bytes = ReadFile(kScriptNames[job]);
    script.reservedBy = -1;
    if (hold_) {
      script.heldBy = i;
      copy.heldFailures += Fails(argument);
      return;
    }
    copy.app->WaitForScripts();
    copy.failuresDue += Fails(argument);
    Tell(i);
  }

  // Once the window has handled what ended: the next "Job Failed" box if one
  // is due, else no box.
  void Tell(int i) {
    Copy& copy = copies_[i];
    Expect(copy.app->Answers() && copy.app->Answers(), Who(i) + " does not answer");
    if (copy.failuresDue == 0) {
      const std::wstring box = copy.app->ShownBox(0);
      Expect(box.empty(), "a box that nothing called for: " + WideToUtf8(box));
      return Settled(i);
    }
    const std::wstring box = copy.app->ShownBox();
    Expect(Title(box) == "Job Failed", "no \"Job Failed\" box, but: " + WideToUtf8(box));
    copy.box = "Job Failed";
    --copy.failuresDue;
  }

  void Dismiss(int i) {
    Copy& copy = copies_[i];
    Log(Who(i) + " dismisses its \"" + copy.box + "\" box");
    copy.app->Box();
    copy.box.clear();
    if (!copy.fatal) return Tell(i);
    const int status = copy.app->WaitForExit();
    Expect(status == 1, "after a fatal report the program ended with " + Status(status));
    Closed(i);
  }

  void Close(int i) {
    Copy& copy = copies_[i];
    HWND window = copy.app->window();
    if (!copy.box.empty()) {
      // As taskkill or the end of the session does, beneath the box.
      Log(Who(i) + " is closed beneath its \"" + copy.box + "\" box");
      scenes.insert("a close beneath " + copy.box);
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_BLOCK, 10000, &answer);
    } else if (Pick(2)) {
      Log(Who(i) + " is closed by its close button");
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      Log(Who(i) + " is closed");
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
    bool locked = false;
    for (int job : {0, 1}) locked |= copy.wrote[job] && scripts_[job].lock != INVALID_HANDLE_VALUE;
    // The box it showed, those still due, and a fatal report of the script
    // held open may show before it ends.
    for (int status = -1;;) {
      std::wstring box;
      Expect(WaitUntil([&] {
               return (status = copy.app->WaitForExit(0)) != -1 ||
                      !(box = copy.app->ShownBox(0)).empty();
             }),
             Who(i) + " did not end");
      if (box.empty()) {
        Expect(status == (copy.fatal ? 1 : 0), Who(i) + " ended with status " + Status(status) +
                                                   (copy.fatal ? " after a fatal report" : ""));
        break;
      }
      const std::string title = Title(box);
      if (title == "VOK Decompiler" && locked) {
        copy.fatal = true;
      } else if (title == "Job Failed" && copy.failuresDue > 0) {
        --copy.failuresDue;
      } else {
        Expect(title == copy.box, "closing showed " + WideToUtf8(box));
      }
      copy.box.clear();
      copy.app->Box(0);
    }
    Closed(i);
  }

  // What a copy's end leaves of the scripts it wrote: one that another copy's
  // job runs (or may still reserve) stays; any other goes, once its own job
  // ends; after a fatal report, or held open by another program, either may be.
  void Closed(int i) {
    Copy& copy = copies_[i];
    copy.open = false;
    copy.box.clear();
    for (int job : {0, 1}) {
      Script& script = scripts_[job];
      if (copy.wrote[job] && Held(script) && script.heldBy != i) {
        scenes.insert("a close while another copy runs its script");
      }
      if (!copy.wrote[job] || (Held(script) && script.heldBy != i)) continue;
      const bool kept = copy.fatal || script.lock != INVALID_HANDLE_VALUE ||
                        (MaybeReserved(script) && script.reservedBy != i);
      script.state = kept ? Script::kUnknown : Script::kAbsent;
    }
    Settled(i);
  }

  // A click into a text box now and then; then the window is minimised and
  // restored, or another window takes the front and gives it back: the
  // focus is where it was.
  void LeaveAndComeBack(int i) {
    App& app = *copies_[i].app;
    const bool minimise = Pick(2);
    const int box = Pick(3) == 0 ? kTextBoxes[Pick(2)] : 0;
    Log(Who(i) + (box ? " is clicked into box " + std::to_string(box == kTextBoxes[1]) : "") +
        (minimise ? ", minimised and restored" : ", left for another window and back"));
    Expect(BringToFront(app.window()), "the window does not come to the front");
    if (box) app.ClickInto(box);
    // The click is over once the text box has let the mouse go.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    HWND before = nullptr;
    Expect(WaitUntil([&] {
             before = app.Focus();
             GetGUIThreadInfo(GetWindowThreadProcessId(app.window(), nullptr), &thread);
             return IsChild(app.window(), before) && (!box || before == app.Control(box)) &&
                    !thread.hwndCapture;
           }),
           "no control has the focus in the window in front");
    if (minimise) {
      PostMessageW(app.window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      Expect(WaitUntil([&] { return IsIconic(app.window()) != FALSE; }), "not minimised");
      PostMessageW(app.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
      Expect(WaitUntil([&] { return !IsIconic(app.window()); }), "not restored");
    } else {
      // The other window is this thread's: its messages must flow while
      // another window takes the front from it.
      const auto front = [](HWND window) {
        return WaitUntil([&] {
          for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
            DispatchMessageW(&message);
          }
          return SetForegroundWindow(window) && GetForegroundWindow() == window;
        });
      };
      Expect(front(other_), "another window does not come to the front");
      Expect(front(app.window()), "the window does not come back to the front");
    }
    Expect(WaitUntil([&] { return app.Focus() == before; }),
           "the focus is not back in control " + std::to_string(GetDlgCtrlID(before)) +
               ", but in " + std::to_string(GetDlgCtrlID(app.Focus())) + " (0: the frame or none)");
  }

  void Hold() {
    Log("the tool is held running");
    WriteFile("vok.hold", "");
    hold_ = true;
  }

  // Lets the held jobs end, once no copy shows a box (a box holds its
  // copy's watch on them): each failure is told.
  void Release() {
    for (const Copy& copy : copies_) {
      if (copy.open && !copy.box.empty()) return Hold();
    }
    Log("the tool is let go");
    fs::remove("vok.hold");
    hold_ = false;
    for (const Copy& copy : copies_) copy.app->WaitForScripts();
    for (Script& script : scripts_) {
      const int by = std::exchange(script.heldBy, -1);
      if (by >= 0 && copies_[by].open && copies_[by].heldFailures > 0) script.reservedBy = by;
    }
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (!copies_[i].open) continue;
      copies_[i].failuresDue += std::exchange(copies_[i].heldFailures, 0);
      Tell(i);
    }
  }

  // Another program opens a script without sharing, or closes it again.
  void Lock(int job) {
    Script& script = scripts_[job];
    const std::wstring name = Utf8ToWide(kScriptNames[job]);
    if (script.lock != INVALID_HANDLE_VALUE) {
      Log("another program closes " + std::string(kScriptNames[job]));
      CloseHandle(std::exchange(script.lock, INVALID_HANDLE_VALUE));
    } else if (!Held(script) && GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
      Log("another program holds " + std::string(kScriptNames[job]) + " open");
      script.lock = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      Expect(script.lock != INVALID_HANDLE_VALUE, "the script cannot be held open");
    }
  }

  void Check() {
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (!copies_[i].open) continue;
      const int status = copies_[i].app->WaitForExit(0);
      Expect(status == -1, Who(i) + " ended with status " + Status(status));
      Expect(copies_[i].app->Answers(), Who(i) + " does not answer");
    }
    Expect(ReadFile("notes.txt") == kNotes, "the user's file changed");
    for (const std::string& name : ListFolder()) {
      Expect(name == "notes.txt" || name == "vok.hold" || name == kScriptNames[0] ||
                 name == kScriptNames[1],
             "a file appeared: " + name);
    }
    for (int job : {0, 1}) {
      const Script& script = scripts_[job];
      const std::string name = kScriptNames[job];
      const bool present = GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
      // Unreadable while held open, and (under Wine) deleted beneath cmd.exe.
      const std::string bytes = ReadFile(name);
      Expect(bytes.empty() || (bytes.rfind(kLines[job], 0) == 0 &&
                               bytes.find_first_of("\r\n") == bytes.size() - 2 &&
                               bytes.substr(bytes.size() - 2) == "\r\n"),
             name + " holds more or other than one line of its job");
      if (script.state == Script::kPresent) {
        Expect(present && (script.lock != INVALID_HANDLE_VALUE || bytes == script.bytes),
               name + " is gone or changed");
      }
      // Deleted beneath its running cmd.exe, a script goes when its job ends.
      Expect(script.state != Script::kAbsent || Held(script) || !present,
             name + " was left behind");
    }
  }

  std::mt19937 random_;
  const Strings& accepted_;
  const Strings& refused_;
  std::vector<Copy> copies_;
  Script scripts_[2];
  bool hold_ = false;
  int actions_ = 0;
  HWND other_;
};

// Walks each seed for `steps` steps or until `seconds` have passed; a
// failure names the seed and the actions that led to it. Returns the scenes
// the walks reached.
std::set<std::string> WalkSeeds(const std::vector<unsigned>& seeds, int steps, int seconds) {
  Strings accepted, refused;
  std::ifstream list(VOK_NAMES, std::ios::binary);
  for (std::string line; std::getline(list, line);) {
    (line[0] == '+' ? accepted : refused).push_back(line.substr(1));
  }
  std::set<std::string> scenes;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (unsigned seed : seeds) {
    ToolFolder folder;
    Walk walk(seed, accepted, refused);
    try {
      for (int step = 0; step < steps && std::chrono::steady_clock::now() < end; ++step) {
        walk.Step();
      }
      walk.Finish();
    } catch (const std::exception& broken) {
      ADD_FAILURE() << "seed " << seed << ": " << broken.what()
                    << "\nThe actions, the last of which failed:\n"
                    << walk.trace;
    }
    std::cout << "seed " << seed << ": " << walk.actions() << " actions\n";
    scenes.insert(walk.scenes.begin(), walk.scenes.end());
  }
  return scenes;
}

// The fixed seeds reach a close beneath each kind of box, and a close while
// another copy runs a script that the closing copy once wrote too.
TEST(RandomActions, TheWindowSurvivesWhatUsersDo) {
  if (const char* seed = std::getenv("VOK_RANDOM_SEED")) {
    const char* seconds = std::getenv("VOK_RANDOM_SECONDS");
    WalkSeeds({static_cast<unsigned>(std::strtoul(seed, nullptr, 10))}, 1 << 30,
              seconds ? std::atoi(seconds) : 60);
    return;
  }
  const auto scenes = WalkSeeds({3, 6, 7, 18}, 40, 1 << 20);
  EXPECT_EQ(scenes,
            (std::set<std::string>{"a close beneath No File", "a close beneath Invalid Name",
                                   "a close beneath Job Running", "a close beneath Job Failed",
                                   "a close beneath VOK Decompiler",
                                   "a close while another copy runs its script"}))
      << "the seeds no longer reach these: choose others";
}

}  // namespace
}  // namespace vok::test
