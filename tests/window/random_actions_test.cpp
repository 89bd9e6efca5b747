// Walks through what users, other programs and Windows do to the program, an
// action a line: the scenes written out in tests/window/scenes.txt, and
// random walks from fixed seeds (or, through scripts/random-actions.sh, a
// seed and a time of one's choosing). The actions:
//   start [X:]           a copy starts (through X:, which is C:\users)
//   N type J NAME        copy N's text box J (0 unpack, 1 pack) gets NAME,
//                        the rest of the line
//   N press J            copy N's button J is pressed
//   N dismiss            copy N's box is dismissed
//   N close [button]     copy N gets WM_CLOSE (or its close button), beneath
//                        its box if one shows, as a session's end sends it
//   N minimise|switch [J]  copy N is minimised and restored, or left for
//                        another window and back, after a click into box J
//   N front [box|button J]  copy N is brought to the front; the focus must
//                        be on that control
//   N behind             another window (a job's console) is in front of it
//   N tab                copy N gets the Tab key
//   hold | release       the tool is held running, or let go
//   other J open|read-only|reserve|free  another program holds script J
//                        open, makes it read-only, or a copy running as
//                        another user reserves it; or it lets it go
//
// After every action: each copy is alive and answers unless it was closed,
// and each close ended it with status 0 (1 only after a fatal report, which
// names the script another program holds and the system's reason); a press
// gives the box its name calls for, "Job Running" while another job or user
// holds the script; the focus is back where it was after a minimise or a
// switch; the user's file is untouched and nothing else appears; each
// script holds one line of its job, keeps its bytes while its job runs, and
// goes when a copy that wrote it closes, unless another copy's job runs it.
// A failure prints the actions that led to it, which a scene can replay.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <sstream>
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
const char* const kScripts[] = {"decompile.bat", "compile.bat"};
const char* const kLines[] = {"vok.exe d     ", "vok.exe c     "};
const int kTextBoxes[] = {Form1::kTxtVokDe, Form1::kTxtVokCom};
const int kButtons[] = {Form1::kCmdDe, Form1::kCmdCom};
const std::string kNotes = "the user's notes\r\n";

std::string Title(const std::wstring& box) {
  return WideToUtf8(box.substr(0, box.find(L": ")));
}

// An event named as the working folder's reservation of the script, which
// this user may not open, as a copy running elevated or as another user
// makes it.
HANDLE ForeignReservation(const char* script) {
  HANDLE folder = CreateFileW(L".", FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION id{};
  GetFileInformationByHandle(folder, &id);
  CloseHandle(folder);
  wchar_t name[128];
  swprintf(name, 128, L"Local\\VOK Decompiler script %08lX %08lX %08lX %hs",
           id.dwVolumeSerialNumber, id.nFileIndexHigh, id.nFileIndexLow, script);
  SECURITY_DESCRIPTOR descriptor;
  ACL noAccess;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  InitializeAcl(&noAccess, sizeof(noAccess), ACL_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, &noAccess, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  return CreateEventW(&attributes, TRUE, FALSE, name);
}

struct Copy {
  std::unique_ptr<App> app;
  bool open = true, fatal = false, wrote[2] = {};
  int failuresDue = 0, heldFailures = 0;  // failed jobs to be told; held ones, once they end
  std::string text[2];                    // what its text boxes hold
};

struct Script {
  enum { kAbsent, kPresent, kUnknown } state = kAbsent;
  std::string bytes;                                          // as written, while present
  int heldBy = -1;                                            // the copy whose held job runs it
  enum { kNone, kOpen, kReadOnly, kReserved } other = kNone;  // what another program does
  HANDLE handle = nullptr;
};

class Walk {
 public:
  Walk(const Strings& accepted, const Strings& refused) : accepted_(accepted), refused_(refused) {
    WriteFile("notes.txt", kNotes);
    other_ = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                             100, nullptr, nullptr, nullptr, nullptr);
  }
  ~Walk() {
    fs::remove("vok.hold");
    for (int job : {0, 1}) Other(job, "free");
    copies_.clear();
    DestroyWindow(other_);
  }

  // Carries out one action, then the checks.
  void Do(const std::string& action) {
    trace += action + "\n";
    std::istringstream words(action);
    std::string first, verb, option, more;
    int job = 0;
    words >> first;
    const auto known = [](const char* list, const std::string& word) {
      return std::string(list).find(" " + word + " ") != std::string::npos;
    };
    if (known(" start hold release other ", first)) {
      words >> job >> option;
      if (first == "start") Start(action == "start X:");
      if (first == "hold") WriteFile("vok.hold", ""), hold_ = true;
      if (first == "release") Release();
      if (first == "other") Other(job, option);
      return Check();
    }
    const int i = std::stoi(first);
    Expect(i < static_cast<int>(copies_.size()) && copies_[i].open, "no such copy open");
    words >> verb >> option >> more;
    Expect(known(" type press dismiss close minimise switch tab behind front ", verb),
           "no such action");
    job = option == "1";
    App& app = *copies_[i].app;
    const std::size_t name = action.find(" type ") + 8;  // after "N type J "
    if (verb == "type") Type(i, job, name < action.size() ? action.substr(name) : "");
    if (verb == "press") Press(i, job);
    if (verb == "dismiss") Dismiss(i);
    if (verb == "close") Close(i, option == "button");
    if (verb == "minimise" || verb == "switch") LeaveAndComeBack(i, verb == "minimise", option);
    if (verb == "tab") app.Key(VK_TAB);
    if (verb == "behind") Expect(GetForegroundWindow() != app.window(), "the window is in front");
    if (verb == "front") {
      const int control =
          option.empty() ? 0 : (option == "box" ? kTextBoxes : kButtons)[more == "1"];
      Expect(BringToFront(app.window()) &&
                 WaitUntil([&] { return !control || app.Focus() == app.Control(control); }),
             "the focus is not on the " + option + " " + more);
    }
    Check();
  }

  // A random action that fits the moment.
  std::string Next(std::mt19937& random) {
    const auto pick = [&](std::size_t n) { return random() % n; };
    std::vector<int> open;
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (copies_[i].open) open.push_back(i);
    }
    if (open.empty()) return pick(2) ? "start X:" : "start";
    const std::string copy = std::to_string(open[pick(open.size())]) + " ";
    const std::string job = std::to_string(pick(2));
    if (!Shown(std::stoi(copy)).empty()) return copy + (pick(5) ? "dismiss" : "close");
    // By weight: type, press, close, start, leave and come back, hold or let go, other programs.
    const char action = "tttppppcsllhhoo"[pick(15)];
    const Script& script = scripts_[job == "1"];
    if (action == 'p') return copy + "press " + job;
    if (action == 'c') return copy + (pick(2) ? "close button" : "close");
    if (action == 's' && open.size() < 2) return pick(2) ? "start X:" : "start";
    if (action == 'l') return copy + (pick(2) ? "minimise" : "switch") + (pick(3) ? "" : " " + job);
    if (action == 'h' && !(hold_ && AnyBox())) return hold_ ? "release" : "hold";
    if (action == 'o' && script.other != Script::kNone) return "other " + job + " free";
    if (action == 'o' && script.heldBy < 0) {
      const bool present = fs::exists(kScripts[job == "1"]);
      return "other " + job +
             (present ? Strings{" open", " read-only", " reserve"}[pick(3)]
                      : std::string(" reserve"));
    }
    std::string name;
    const std::size_t kind = pick(8);
    if (kind == 1) name = refused_[pick(refused_.size())];
    if (kind > 1) name = accepted_[pick(accepted_.size())];
    // The recording tool fails for "exit=N" with N other than 0.
    if (kind > 5 && name.size() < 200) name += " exit=" + std::to_string(pick(3));
    return copy + "type " + job + " " + name;
  }

  // The end of a walk: every box dismissed, the tool let go, each copy
  // closed, with the checks after each.
  void Finish() {
    for (bool released = !hold_;; released = true) {
      for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
        while (copies_[i].open && !Shown(i).empty()) Do(std::to_string(i) + " dismiss");
      }
      if (released) break;
      Do("release");
    }
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (copies_[i].open) Do(std::to_string(i) + " close");
    }
  }

  std::string trace;

 private:
  std::string Who(int i) const { return "copy " + std::to_string(i); }
  std::string Shown(int i) const { return Title(copies_[i].app->ShownBox(0)); }
  bool AnyBox() const {
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (copies_[i].open && !Shown(i).empty()) return true;
    }
    return false;
  }

  void Start(bool viaX) {
    // X: is C:\users (scripts/wine-run.sh), a path of another length and letters.
    fs::path folder = fs::current_path();
    if (viaX) folder = L"X:" + folder.wstring().substr(std::wstring(L"C:\\users").size());
    copies_.emplace_back().app = std::make_unique<App>(folder);
  }

  void Type(int i, int job, const std::string& name) {
    copies_[i].text[job] = name;
    copies_[i].app->Type(kTextBoxes[job], Utf8ToWide(name));
  }

  static bool Fails(const std::string& name) {
    const auto at = name.find(" exit=");
    return at != std::string::npos && name.compare(at, 7, " exit=0") != 0;
  }

  void Press(int i, int job) {
    Copy& copy = copies_[i];
    Script& script = scripts_[job];
    const std::string& name = copy.text[job];
    // The box titles the press may give, "" for a run. A copy keeps the
    // reservation of a script whose failure it has still to tell.
    std::set<std::string> expected = {"Job Running"};
    if (name.empty()) {
      expected = {"No File"};
    } else if (std::find(refused_.begin(), refused_.end(), name) != refused_.end()) {
      expected = {"Invalid Name"};
    } else if (script.heldBy < 0 && script.other != Script::kReserved) {
      expected.insert(script.other == Script::kNone ? "" : "VOK Decompiler");
    }
    const std::size_t calls = ToolCalls().size();
    copy.app->Click(kButtons[job]);
    std::wstring box;  // the tool's call comes first: a failure's box may follow at once
    Expect(WaitUntil([&] {
             return ToolCalls().size() > calls || !(box = copy.app->ShownBox(0)).empty();
           }),
           "the press neither warned nor ran the tool");
    if (ToolCalls().size() > calls) box.clear();
    Expect(expected.count(Title(box)) == 1,
           "the press gave " + (box.empty() ? "a run" : WideToUtf8(box)));
    if (Title(box) == "VOK Decompiler") return Fatal(i, box, {job});
    if (!box.empty()) return;
    Expect(
        ToolCalls().size() == calls + 1 &&
            ToolCalls().back() == Strings{"minimised", job ? "c" : "d", name + (job ? "" : ".vok")},
        "the tool was not called once with the name");
    copy.wrote[job] = true;
    script.state = Script::kPresent;
    script.bytes = ReadFile(kScripts[job]);
    if (hold_) {
      script.heldBy = i;
      copy.heldFailures += Fails(name);
      return;
    }
    copy.app->WaitForScripts();
    copy.failuresDue += Fails(name);
    Tell(i);
  }

  // A fatal report, of a script another program holds, which this copy
  // opens (a press) or deletes (a press or its close): one of `jobs`.
  void Fatal(int i, const std::wstring& box, std::initializer_list<int> jobs) {
    bool named = false;
    for (int job : jobs) {
      const Script& script = scripts_[job];
      const bool open = script.other == Script::kOpen, readOnly = script.other == Script::kReadOnly;
      const bool opens = open && jobs.size() == 1;
      named |= (open || readOnly) &&
               box == L"VOK Decompiler: Could not " + std::wstring(opens ? L"open" : L"delete") +
                          L" \"" + Utf8ToWide(kScripts[job]) + L"\": " +
                          Utf8ToWide(SystemErrorText(open ? ERROR_SHARING_VIOLATION
                                                          : ERROR_ACCESS_DENIED)) +
                          L"\n\nVOK Decompiler will now close.";
    }
    Expect(named, "a fatal report of no script another program holds: " + WideToUtf8(box));
    copies_[i].fatal = true;
  }

  // Once the window has handled what ended: the next "Job Failed" box if one
  // is due, else no box.
  void Tell(int i) {
    Copy& copy = copies_[i];
    Expect(copy.app->Answers() && copy.app->Answers(), Who(i) + " does not answer");
    const std::wstring box = copy.app->ShownBox(copy.failuresDue > 0 ? 10000 : 0);
    Expect(Title(box) == (copy.failuresDue > 0 ? "Job Failed" : ""),
           "a box other than the failure due: " + WideToUtf8(box));
    copy.failuresDue -= !box.empty();
  }

  void Dismiss(int i) {
    const std::string box = Shown(i);
    Expect(!box.empty(), "no box to dismiss");
    copies_[i].app->Box();
    if (box != "VOK Decompiler") return Tell(i);
    const int status = copies_[i].app->WaitForExit();
    Expect(status == 1, "after a fatal report the program ended with " + std::to_string(status));
    Closed(i);
  }

  void Close(int i, bool button) {
    Copy& copy = copies_[i];
    HWND window = copy.app->window();
    const std::string box = Shown(i);
    DWORD_PTR answer = 0;
    if (!box.empty()) {  // as taskkill or the end of the session sends it, beneath the box
      SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_BLOCK, 10000, &answer);
    } else {
      PostMessageW(window, button ? WM_SYSCOMMAND : WM_CLOSE, button ? SC_CLOSE : 0, 0);
    }
    // The box it was beneath, failures due, and a fatal report of a script
    // another program holds may show before it ends.
    for (int status = -1;;) {
      std::wstring shown;
      Expect(WaitUntil([&] {
               return (status = copy.app->WaitForExit(0)) != -1 ||
                      !(shown = copy.app->ShownBox(0)).empty();
             }),
             Who(i) + " did not end");
      if (shown.empty()) {
        Expect(status == (copy.fatal ? 1 : 0), Who(i) + " ended with status " +
                                                   std::to_string(status) +
                                                   (copy.fatal ? " after a fatal report" : ""));
        break;
      }
      const std::string title = Title(shown);
      if (title == "VOK Decompiler" && title != box) Fatal(i, shown, {0, 1});
      Expect(title == box || title == "Job Failed" || copy.fatal, "closing showed " + title);
      copy.app->Box(0);
    }
    Closed(i);
  }

  // What a copy's end leaves of the scripts it wrote: one that another copy's
  // job runs stays; any other goes, once its own job ends, unless another
  // program or copy may hold it, or the copy failed.
  void Closed(int i) {
    Copy& copy = copies_[i];
    copy.open = false;
    const bool othersBusy = AnyBox();  // a box holds a copy's watch, and its reservations
    for (int job : {0, 1}) {
      Script& script = scripts_[job];
      if (!copy.wrote[job] || (script.heldBy >= 0 && script.heldBy != i)) continue;
      const bool kept = copy.fatal || script.other != Script::kNone || othersBusy;
      script.state = kept ? Script::kUnknown : Script::kAbsent;
    }
  }

  // The window is minimised and restored, or another window takes the front
  // and gives it back: the focus is where it was, after a click into a box.
  void LeaveAndComeBack(int i, bool minimise, const std::string& box) {
    App& app = *copies_[i].app;
    const int control = box.empty() ? 0 : kTextBoxes[box == "1"];
    Expect(BringToFront(app.window()), "the window does not come to the front");
    if (control) app.ClickInto(control);
    GUITHREADINFO thread{};  // the click is over once the text box has let the mouse go
    thread.cbSize = sizeof(thread);
    HWND before = nullptr;
    Expect(WaitUntil([&] {
             before = app.Focus();
             GetGUIThreadInfo(GetWindowThreadProcessId(app.window(), nullptr), &thread);
             return IsChild(app.window(), before) && (!control || before == app.Control(control)) &&
                    !thread.hwndCapture;
           }),
           "no control has the focus in the window in front");
    if (minimise) {
      PostMessageW(app.window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      Expect(WaitUntil([&] { return IsIconic(app.window()) != FALSE; }), "not minimised");
      PostMessageW(app.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
      Expect(WaitUntil([&] { return !IsIconic(app.window()); }), "not restored");
    } else {
      // Now and then Wine keeps the other window in front for good; the
      // switch is then made again.
      bool back = false;
      for (int tries = 0; tries < 3 && !back; ++tries) {
        back = BringToFront(other_, 3000) && BringToFront(app.window(), 3000);
      }
      Expect(back, "the window does not come back to the front");
    }
    Expect(WaitUntil([&] { return app.Focus() == before; }),
           "the focus is not back in control " + std::to_string(GetDlgCtrlID(before)) +
               ", but in " + std::to_string(GetDlgCtrlID(app.Focus())) + " (0: the frame or none)");
  }

  // Lets the held jobs end: each failure is told. A box would hold its
  // copy's watch on them, so none may show.
  void Release() {
    Expect(!AnyBox(), "the tool let go while a box shows");
    fs::remove("vok.hold");
    hold_ = false;
    for (const Copy& copy : copies_) copy.app->WaitForScripts();
    for (Script& script : scripts_) script.heldBy = -1;
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (!copies_[i].open) continue;
      copies_[i].failuresDue += std::exchange(copies_[i].heldFailures, 0);
      Tell(i);
    }
  }

  void Other(int job, const std::string& what) {
    Script& script = scripts_[job];
    const std::wstring name = Utf8ToWide(kScripts[job]);
    if (script.other == Script::kReadOnly) {
      SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    } else if (script.other != Script::kNone) {
      CloseHandle(script.handle);
    }
    script.other = Script::kNone;
    if (what == "open") {
      script.handle =
          CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      Expect(script.handle != INVALID_HANDLE_VALUE, "the script cannot be held open");
      script.other = Script::kOpen;
    } else if (what == "read-only") {
      Expect(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY), "no script to protect");
      script.other = Script::kReadOnly;
    } else if (what == "reserve") {
      script.handle = ForeignReservation(kScripts[job]);
      script.other = Script::kReserved;
    }
  }

  void Check() {
    for (int i = 0; i < static_cast<int>(copies_.size()); ++i) {
      if (!copies_[i].open) continue;
      const int status = copies_[i].app->WaitForExit(0);
      Expect(status == -1, Who(i) + " ended with status " + std::to_string(status));
      Expect(copies_[i].app->Answers(), Who(i) + " does not answer");
    }
    Expect(ReadFile("notes.txt") == kNotes, "the user's file changed");
    for (const std::string& name : ListFolder()) {
      Expect(
          name == "notes.txt" || name == "vok.hold" || name == kScripts[0] || name == kScripts[1],
          "a file appeared: " + name);
    }
    for (int job : {0, 1}) {
      const Script& script = scripts_[job];
      const std::string name = kScripts[job];
      const bool present = GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
      // Unreadable while held open, and (under Wine) deleted beneath cmd.exe.
      const std::string bytes = ReadFile(name);
      Expect(bytes.empty() || (bytes.rfind(kLines[job], 0) == 0 &&
                               bytes.find_first_of("\r\n") == bytes.size() - 2 &&
                               bytes.substr(bytes.size() - 2) == "\r\n"),
             name + " holds more or other than one line of its job");
      Expect(script.state != Script::kPresent ||
                 (present && (script.other == Script::kOpen || bytes == script.bytes)),
             name + " is gone or changed");
      // Deleted beneath its running cmd.exe, a script goes when its job ends.
      Expect(script.state != Script::kAbsent || script.heldBy >= 0 || !present,
             name + " was left behind");
    }
  }

  const Strings& accepted_;
  const Strings& refused_;
  std::vector<Copy> copies_;
  Script scripts_[2];
  bool hold_ = false;
  HWND other_;
};

class Walks : public ::testing::Test {
 protected:
  Walks() { ReadNames(accepted_, refused_); }
  // Walks the actions that `next` gives until it gives none, then ends the
  // walk; a failure names the walk and the actions that led to it.
  void WalkThrough(const std::string& name, const std::function<std::string(Walk&)>& next) {
    ToolFolder folder;
    Walk walk(accepted_, refused_);
    try {
      for (std::string action; !(action = next(walk)).empty();) walk.Do(action);
      walk.Finish();
    } catch (const std::exception& broken) {
      ADD_FAILURE() << name << ": " << broken.what() << "\nThe actions, the last of which failed:\n"
                    << walk.trace;
    }
  }
  Strings accepted_, refused_;
};

// Each scene of tests/window/scenes.txt: "== " and its name, then its
// actions.
TEST_F(Walks, ScenesEndAsTheyShould) {
  std::vector<std::pair<std::string, Strings>> scenes;
  for (const auto& row : TableRows(VOK_SCENES, 1, true)) {
    if (row[0].rfind("== ", 0) == 0) scenes.push_back({row[0].substr(3), {}});
    if (row[0].rfind("== ", 0) != 0 && !row[0].empty()) scenes.back().second.push_back(row[0]);
  }
  ASSERT_GE(scenes.size(), 5u);
  for (const auto& [name, actions] : scenes) {
    std::size_t at = 0;
    WalkThrough(name, [&](Walk&) { return at < actions.size() ? actions[at++] : ""; });
  }
}

// Random walks of 40 actions from fixed seeds, or one of VOK_RANDOM_SECONDS
// from VOK_RANDOM_SEED.
TEST_F(Walks, RandomActionsKeepTheChecks) {
  const char* seed = std::getenv("VOK_RANDOM_SEED");
  const char* seconds = std::getenv("VOK_RANDOM_SECONDS");
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::seconds(seed && seconds ? std::atoi(seconds) : 1 << 20);
  for (unsigned start : seed ? std::vector<unsigned>{static_cast<unsigned>(std::atoll(seed))}
                             : std::vector<unsigned>{3, 6, 7}) {
    std::mt19937 random(start);
    int actions = 0;
    WalkThrough("seed " + std::to_string(start), [&](Walk& walk) {
      const bool more = (seed || actions < 40) && std::chrono::steady_clock::now() < end;
      return more ? (++actions, walk.Next(random)) : std::string();
    });
    std::cout << "seed " << start << ": " << actions << " actions\n";
  }
}

}  // namespace
}  // namespace vok::test
