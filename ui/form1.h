#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "jobs.h"
#include "win32_job_platform.h"

namespace vok {

struct ControlLayout;

// The program's one window: the unpack section above, the pack section
// below, a red line between them. It gives the jobs what they need of the
// window and turns button clicks and the close into job calls.
class Form1 : public PlatformUi {
 public:
  static constexpr const wchar_t* kClassName = L"VokDecompilerForm1";
  static constexpr const wchar_t* kCaption = L".vok Decompiler";

  // Control identifiers, numbered in the order of the design's tab index,
  // labels included (labels never take the focus, so Tab moves between the
  // text boxes and buttons only). None is IDOK or IDCANCEL, so Enter and Esc
  // in a text box press no button.
  enum ControlId : int {
    kTxtVokDe = 1001,
    kLabel1,
    kLabel2,
    kLabel3,
    kCmdDe,
    kLabel4,
    kLabel5,
    kTxtVokCom,
    kCmdCom,
  };

  // Sent by the message loop when a script that the window started has ended.
  static constexpr UINT kScriptEnded = WM_APP + 1;

  // Registers the window class; false on failure.
  static bool Register(HINSTANCE instance);
  // Creates and shows the window with the focus in the unpack text box.
  static HWND Create(HINSTANCE instance, int showCommand);
  // The processes of the scripts the window started that still run, for the
  // message loop to wait on; none once the window is gone.
  static std::vector<HANDLE> WatchedScripts(HWND window);

  std::string ReadText(const JobKind& job) override;
  void SetText(const JobKind& job, const std::string& text) override;
  void Warn(const std::string& prompt, const std::string& title) override;
  void Focus(const JobKind& job) override;

 private:
  explicit Form1(HWND hwnd) : hwnd_(hwnd) {}
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  bool OnCreate();
  bool CreateControl(const ControlLayout& layout);
  void ApplyDpi(UINT dpi);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnCommand(int id, int notification);
  void OnDropFiles(HDROP drop);
  void OnPaint();
  bool OnActivate(WORD state, bool minimised);
  void OnSetFocus();
  void RememberFocus();
  LRESULT OnCtlColorStatic(HDC dc);
  void OnClose();
  void OnEndSession(bool ending);
  void OnDestroy();

  // The window's life: open; a close noted while a handler runs (beneath a
  // box), carried out once the outermost handler returns; cleaned up (the
  // scripts removed), or failed (a fatal report, the scripts left as the
  // failure found them), and destroyed once the outermost handler returns.
  enum class Life { kOpen, kCloseNoted, kCleanedUp, kFailed };

  // Runs a handler's work; no exception crosses the window procedure. As
  // the outermost handler returns, the window's life goes on from there.
  template <typename Fn>
  void Guarded(Fn fn);
  void GoOn();
  void CleanUp();
  void Fail(const char* text) noexcept;
  HWND TextBoxOf(const JobKind& job) const;

  HWND hwnd_;
  UINT dpi_ = 96;
  HFONT defaultFont_ = nullptr;
  HFONT headingFont_ = nullptr;
  HFONT extensionFont_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control to give the focus back to
  Win32JobPlatform platform_;
  JobSession session_;
  int handlersRunning_ = 0;  // nested by the modal loops of open boxes
  Life life_ = Life::kOpen;
  int exitCode_ = 0;
};

}  // namespace vok
