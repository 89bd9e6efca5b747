#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace vok::test {

// "VOK Decompiler.exe" started in a working folder that holds the recording
// tool as vok.exe, driven from outside as a user would. Without a folder it
// runs in a fresh scratch folder, which is also the test's working folder.
class RunningApp {
 public:
  explicit RunningApp(const std::filesystem::path& folder = {});
  ~RunningApp();
  RunningApp(const RunningApp&) = delete;
  RunningApp& operator=(const RunningApp&) = delete;

  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  std::wstring TextOf(HWND control) const;
  void Type(int textBoxId, const std::wstring& text);
  // Presses a button the way a click does; returns without waiting for it.
  void Click(int buttonId);
  // Sends a key press to the control that has the focus.
  void PressKey(WPARAM key);
  HWND Focus() const;

  // The message box the program shows, or nullptr when none appears in time.
  HWND WaitForMessageBox(DWORD timeoutMs = 10000) const;
  void Dismiss(HWND box);
  // Asks the window to close and returns the exit code, or -1 if it stays.
  int CloseAndWait(UINT message = WM_CLOSE, WPARAM wParam = 0);
  // Waits for the program to end by itself; returns its exit code or -1.
  int WaitForExit(DWORD timeoutMs = 10000);

 private:
  std::unique_ptr<ScratchDir> scratch_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// Polls until the condition holds or the time is up; returns the last result.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// What a message box shows: its title, its text, and whether its icon is the
// given system icon.
struct MessageBoxContent {
  std::wstring title;
  std::wstring text;
  bool hasIcon = false;
  bool onlyOkButton = false;
};
MessageBoxContent ReadMessageBox(HWND box);
// True when the box's icon has the same picture as the system icon.
bool BoxIconIs(HWND box, LPCWSTR systemIcon);

}  // namespace vok::test
