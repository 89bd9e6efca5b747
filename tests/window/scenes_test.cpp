// Walks the real program through the scenes of tests/window/scenes.txt: what
// users, other programs and Windows do to it, and what must come of that,
// one line each. Actions:
//   start [X:|minimised]  a copy starts, numbered from 0 (through X:, which is
//                         C:\users; or minimised, as a shortcut set to "Run:
//                         Minimized" starts it)
//   temp [%]              copies started later get a temporary folder of the
//                         scene's own (whose path holds "%PATH%")
//   N type J NAME         copy N's text box J (0 unpack, 1 pack) gets NAME
//   N press J             button J is pressed
//   N post J              a click on button J reaches the window as automation
//                         tools send one: posted, also while a box is open
//   N dismiss             OK on copy N's box
//   N close               WM_CLOSE, beneath a box too
//   N endsession          the session ends, as the Restart Manager ends it
//   N minimise | restore | tab      minimised, restored, Tab
//   hold | release        the tool waits; or it is let go, every script ends,
//                         and every copy has handled the ends
//   other J open|reserve|mutex    another program holds script J open, a copy
//                         of another user's session reserves it, or a mutex
//                         takes the name of its guard
//   write FILE TEXT | remove FILE         the user writes or deletes a file
//                         (temp/FILE: in the temporary folder)
// What must come of them, each waited for:
//   N box TEXT            copy N shows a box: "title: text" begins with TEXT
//                         (escaped as in tables; {error N} is the system's
//                         text for error N); it is owned by the window, with
//                         one button, OK
//   N box= TEXT           the same, but "title: text" is TEXT
//   N no box              copy N has handled what it was sent, and no box shows
//   N grew K              copy N's most memory used grew by less than K MiB
//   ran J NAME            the tool's next call is job J's, for NAME; unless it
//                         is held, its script has then ended and the window
//                         has handled that
//   N focus box|button J  the focus in copy N, in front, is on that control
//   N behind              another window is in front of copy N
//   N ended S             copy N has ended with exit status S
//   files NAME...         the working folder holds exactly these, sorted
//   temp files K          the temporary folder holds K files
//   FILE holds TEXT       the file holds these bytes (\r, \n escaped)
// After every line, each copy not told to close is alive and answers, and the
// user's notes.txt is untouched.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "form1.h"
#include "win32_job_platform.h"
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
const int kTextBoxes[] = {Form1::kTxtVokDe, Form1::kTxtVokCom};
const int kButtons[] = {Form1::kCmdDe, Form1::kCmdCom};
const std::string kNotes = "the user's notes\r\n";

// The text unescaped, each "{error N}" made the system's text for that
// error.
std::wstring Expand(std::string text) {
  text = Unescape(text);
  for (std::size_t at; (at = text.find("{error ")) != std::string::npos;) {
    const std::size_t end = text.find('}', at);
    const DWORD error = std::stoul(text.substr(at + 7, end - at - 7));
    text.replace(at, end - at + 1, SystemErrorText(error));
  }
  return Utf8ToWide(text);
}

// The reservation of the working folder's script, as a copy of the program
// in another user's session makes it: in the global namespace, where this
// user may not open it.
HANDLE ForeignReservation(const char* script) {
  const std::wstring name = ReservationName(script);
  SECURITY_DESCRIPTOR descriptor;
  ACL noAccess;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  InitializeAcl(&noAccess, sizeof(noAccess), ACL_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, &noAccess, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  return CreateEventW(&attributes, TRUE, FALSE,
                      (L"Global\\" + name.substr(name.find(L'\\') + 1)).c_str());
}

class Scene {
 public:
  Scene() { WriteFile("notes.txt", kNotes); }
  ~Scene() {
    fs::remove("vok.hold");
    for (HANDLE& held : held_) CloseHandle(held);
    copies_.clear();
    if (temp_.empty()) return;
    SetEnvironmentVariableW(L"TMP", nullptr);
    std::error_code ignored;
    fs::remove_all(temp_.parent_path(), ignored);
  }

  // Carries out one line, then the checks that follow every line.
  void Do(const std::string& line) {
    // The words, and what stands after the first n of them (one blank each).
    std::istringstream words(line);
    std::string first, verb, option;
    words >> first >> verb >> option;
    const auto after = [&](std::size_t n) {
      std::size_t at = 0;
      for (; n > 0 && at != std::string::npos; --n) at = line.find(' ', at + 1);
      return at == std::string::npos ? std::string() : line.substr(at + 1);
    };
    if (std::isdigit(static_cast<unsigned char>(first[0]))) {
      const std::size_t i = std::stoul(first);
      Expect(i < copies_.size(), "no such copy");
      DoInCopy(i, verb, option, after(2), after(3));
    } else {
      DoElsewhere(first, verb, option, after(1), after(2));
    }
    for (std::size_t i = 0; i < copies_.size(); ++i) {
      if (closing_[i]) continue;
      Expect(copies_[i]->WaitForExit(0) == -1, "copy " + std::to_string(i) + " has ended");
      Expect(copies_[i]->Answers(), "copy " + std::to_string(i) + " does not answer");
    }
    Expect(ReadFile("notes.txt") == kNotes, "the user's file changed");
  }

 private:
  // `what` is all after the verb, `text` all after the option.
  void DoInCopy(std::size_t i, const std::string& verb, const std::string& option,
                const std::string& what, const std::string& text) {
    App& app = *copies_[i];
    const int job = option == "1";
    const auto shown = [&] { return app.ShownBox(0); };
    if (verb == "type") return app.Type(kTextBoxes[job], Utf8ToWide(text));
    if (verb == "press") return app.Press(kButtons[job]);
    if (verb == "post") return app.PostCommand(kButtons[job]);
    if (verb == "tab") return Expect(BringToFront(app.window()), "not in front"), app.Key(VK_TAB);
    if (verb == "dismiss") {
      const std::wstring box = shown();
      Expect(!box.empty(), "no box to dismiss");
      closing_[i] = closing_[i] || box.rfind(L"VOK Decompiler: ", 0) == 0;  // a fatal report
      return (void)app.Box(0);
    }
    if (verb == "close" || verb == "endsession") return Close(i, verb);
    if (verb == "minimise" || verb == "restore") {
      const bool minimise = verb == "minimise";
      PostMessageW(app.window(), WM_SYSCOMMAND, minimise ? SC_MINIMIZE : SC_RESTORE, 0);
      return Expect(
          WaitUntil([&] { return (IsIconic(app.window()) != FALSE) == minimise; }) && app.Answers(),
          "not " + verb + "d");
    }
    if (verb == "box" || verb == "box=") {
      const std::wstring expected = Expand(what);
      std::wstring box;
      const bool found = WaitUntil([&] {
        box = shown();
        return verb == "box" ? box.rfind(expected, 0) == 0 : box == expected;
      });
      Expect(found, "the box is \"" + WideToUtf8(box) + "\"");
      return Expect(app.BoxAsDesigned(), "the box is not the window's, with one button, OK");
    }
    if (verb == "no") {
      return Expect(app.Answers() && app.Answers() && shown().empty(),
                    "a box shows: " + WideToUtf8(shown()));
    }
    if (verb == "focus") {
      const int id = (option == "box" ? kTextBoxes : kButtons)[text == "1"];
      // Read in front: under load, Wine now and then hands the activation to
      // another window late; the user's click on the taskbar takes it back.
      const bool there = WaitUntil([&] {
        if (GetForegroundWindow() != app.window()) BringToFront(app.window(), 2000);
        return app.Focus() == app.Control(id);
      });
      return Expect(there, "the focus is in control " + std::to_string(GetDlgCtrlID(app.Focus())) +
                               " (0: the frame or none)");
    }
    if (verb == "behind") {
      return Expect(WaitUntil([&] { return GetForegroundWindow() != app.window(); }),
                    "the window is in front");
    }
    if (verb == "grew") {
      const SIZE_T grown = app.PeakWorkingSet() - startPeaks_[i];
      return Expect(grown < (std::stoul(option) << 20), "grew by " + std::to_string(grown));
    }
    if (verb == "ended") {
      const int status = app.WaitForExit();
      closing_[i] = true;
      return Expect(status == std::stoi(option), "ended with status " + std::to_string(status));
    }
    throw Broken("no such action: " + verb);
  }

  // A close, beneath the box if one shows (as a session's end or taskkill
  // sends it, and the box's own loop delivers it), else posted.
  void Close(std::size_t i, const std::string& verb) {
    HWND window = copies_[i]->window();
    DWORD_PTR answer = 0;
    closing_[i] = true;
    if (verb == "endsession") {
      SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 10000,
                          &answer);
      SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 10000,
                          &answer);
    } else if (!copies_[i]->ShownBox(0).empty()) {
      SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_BLOCK, 10000, &answer);
    } else {
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }

  // `rest` is all after the first word, `text` all after the second.
  void DoElsewhere(const std::string& first, const std::string& verb, const std::string& option,
                   const std::string& rest, const std::string& text) {
    if (first == "start") return Start(verb);
    if (first == "temp" && verb != "files") return UseTemp(verb == "%");
    if (first == "hold") return WriteFile("vok.hold", "");
    if (first == "release") return Release();
    if (first == "other") return Other(verb == "1", option);
    if (first == "write") {
      const bool temp = verb.rfind("temp/", 0) == 0;
      return WriteFile(temp ? WideToUtf8((temp_ / verb.substr(5)).wstring()) : verb,
                       Unescape(text));
    }
    if (first == "remove") return (void)fs::remove(verb);
    if (first == "ran") return Ran(verb == "1", text);
    if (first == "temp") {
      const auto files = std::distance(fs::directory_iterator(temp_), fs::directory_iterator());
      return Expect(files == std::stoi(option),
                    "the temporary folder holds " + std::to_string(files) + " files");
    }
    if (first == "files") {
      std::string listed;
      for (const std::string& name : ListFolder()) listed += (listed.empty() ? "" : " ") + name;
      return Expect(listed == rest, "the folder holds " + listed);
    }
    if (verb == "holds") {
      const std::string bytes = ReadFile(first);
      return Expect(bytes == Unescape(text), first + " holds \"" + bytes + "\"");
    }
    throw Broken("no such action: " + first);
  }

  void Start(const std::string& how) {
    fs::path folder = fs::current_path();
    // X: is C:\users (scripts/wine-run.sh): a path of another length and letters.
    if (how == "X:") folder = L"X:" + folder.wstring().substr(std::wstring(L"C:\\users").size());
    copies_.push_back(
        std::make_unique<App>(folder, how == "minimised" ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL));
    closing_.push_back(false);
    startPeaks_.push_back(copies_.back()->PeakWorkingSet());
  }

  // A temporary folder; one whose path holds "%PATH%", which cmd.exe would
  // expand in a redirection.
  void UseTemp(bool percent) {
    temp_ = fs::current_path().concat(L"-temp") / (percent ? L"t%PATH%mp" : L"temp");
    fs::create_directories(temp_);
    SetEnvironmentVariableW(L"TMP", temp_.c_str());
  }

  void Ran(int job, const std::string& name) {
    Expect(WaitForCalls(calls_ + 1), "the tool was not called");
    const Strings expected = {job ? "c" : "d", name + (job ? "" : ".vok")};
    Expect(ToolCalls()[calls_++] == expected, "the tool was called otherwise");
    if (!fs::exists("vok.hold")) WaitForScripts();
  }

  // Once no copy runs a script, every copy has handled the ends.
  void WaitForScripts() {
    for (const auto& copy : copies_) copy->WaitForScripts();
    for (std::size_t i = 0; i < copies_.size(); ++i) {
      if (!closing_[i]) Expect(copies_[i]->Answers() && copies_[i]->Answers(), "no answer");
    }
  }

  void Release() {
    fs::remove("vok.hold");
    WaitForScripts();
  }

  void Other(int job, const std::string& what) {
    if (held_[job]) CloseHandle(held_[job]);
    held_[job] = nullptr;
    if (what == "open") {
      held_[job] = CreateFileA(kScripts[job], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      Expect(held_[job] != INVALID_HANDLE_VALUE, "the script cannot be held open");
    } else if (what == "reserve" || what == "mutex") {
      held_[job] = what == "reserve"
                       ? ForeignReservation(kScripts[job])
                       : CreateMutexW(nullptr, FALSE, ReservationName(kScripts[job]).c_str());
      Expect(held_[job] != nullptr, "no reservation made");
    }
  }

  std::vector<std::unique_ptr<App>> copies_;
  std::vector<bool> closing_;       // told to close, or ended
  std::vector<SIZE_T> startPeaks_;  // the most memory each used at its start
  HANDLE held_[2] = {};             // what another program holds of each script
  std::size_t calls_ = 0;           // the tool's calls seen so far
  fs::path temp_;
};

// Each scene: "== " and its name, then its lines. A failure names the scene
// and the lines up to the one that failed. VOK_SCENE=TEXT walks only the
// scenes whose name holds TEXT.
TEST(Window, ScenesEndAsTheyShould) {
  std::vector<std::pair<std::string, Strings>> scenes;
  for (const auto& row : TableRows(VOK_SCENES, 1, true)) {
    if (row[0].rfind("== ", 0) == 0) scenes.push_back({row[0].substr(3), {}});
    if (row[0].rfind("== ", 0) != 0 && !row[0].empty()) scenes.back().second.push_back(row[0]);
  }
  ASSERT_GE(scenes.size(), 8u);
  const char* only = std::getenv("VOK_SCENE");
  for (const auto& [name, lines] : scenes) {
    if (only && name.find(only) == std::string::npos) continue;
    ToolFolder folder;
    Scene scene;
    std::string done;
    try {
      for (const std::string& line : lines) done += line + "\n", scene.Do(line);
    } catch (const std::exception& broken) {
      ADD_FAILURE() << name << ": " << broken.what() << "\nThe lines, the last of which failed:\n"
                    << done;
    }
  }
}

}  // namespace
}  // namespace vok::test
