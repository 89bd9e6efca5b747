#include "form1.h"

#include <algorithm>
#include <exception>
#include <new>

#include "drop.h"
#include "resource.h"
#include "win32_drop.h"
#include "win32_function.h"
#include "win32_text.h"

namespace vok {

enum class FontKind { kDefault, kHeading, kExtension };
enum class ControlKind { kLabel, kTextBox, kButton };

// One control of the window: its place and size in twips, as designed.
struct ControlLayout {
  int id;
  ControlKind kind;
  const wchar_t* text;
  int left, top, width, height;
  FontKind font;
};

namespace {

// In z-order: each label just before the text box it names, which is where
// screen readers look for a text box's name. The controls that take the
// focus come in tab order.
const ControlLayout kControls[] = {
    {Form1::kLabel3, ControlKind::kLabel, L"Decompile/Unpack", 120, 120, 2655, 375,
     FontKind::kHeading},
    {Form1::kLabel1, ControlKind::kLabel,
     L"Type in the name of the file          (do not include.vok)", 240, 600, 2055, 375,
     FontKind::kDefault},
    {Form1::kTxtVokDe, ControlKind::kTextBox, L"", 240, 1080, 1935, 375, FontKind::kDefault},
    {Form1::kLabel2, ControlKind::kLabel, L".vok", 2160, 1200, 735, 255, FontKind::kExtension},
    {Form1::kCmdDe, ControlKind::kButton, L"Decompile", 2760, 600, 1215, 735, FontKind::kDefault},
    {Form1::kLabel4, ControlKind::kLabel, L"Compile/Pack", 120, 2160, 2295, 495,
     FontKind::kHeading},
    {Form1::kLabel5, ControlKind::kLabel, L"Type in the name of the      folder (directory)", 360,
     2880, 1695, 495, FontKind::kDefault},
    {Form1::kTxtVokCom, ControlKind::kTextBox, L"", 240, 3360, 1935, 375, FontKind::kDefault},
    {Form1::kCmdCom, ControlKind::kButton, L"Compile", 2760, 2880, 1215, 735, FontKind::kDefault},
};

// The client area, and where on the screen it first shows, in twips.
constexpr int kClientWidth = 4050;
constexpr int kClientHeight = 4155;
constexpr int kClientScreenLeft = 5490;
constexpr int kClientScreenTop = 3000;

// The red line between the sections, in twips: from (0, 1920) to (4320,
// 1920), past the right edge of the client area, where it is clipped.
constexpr int kLineTop = 1920;
constexpr int kLineEnd = 4320;
constexpr int kLineWidth = 75;
constexpr COLORREF kLineColour = RGB(255, 0, 0);

constexpr UINT kDesignDpi = 96;  // where 15 twips make a pixel

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr const wchar_t* kFatalTitle = L"VOK Decompiler";
constexpr const wchar_t* kFatalFallback = L"VOK Decompiler ran out of memory and will now close.";

// Twips (1/1440 inch) in pixels at `dpi`.
int Px(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// A function of user32 that older Windows lacks, or nothing.
template <typename Function>
Function User32Function(const char* name) {
  return ExportedFunction<Function>(GetModuleHandleW(L"user32.dll"), name);
}

UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

UINT DpiOf(HWND hwnd) {
  static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return getDpiForWindow ? getDpiForWindow(hwnd) : ScreenDpi();
}

// The rectangle moved, as little as it takes, into the work area of the
// monitor it is mostly on: whole when it fits, its top-left corner on the
// screen when it does not.
RECT InsideWorkArea(RECT frame) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST), &monitor)) return frame;
  const RECT& work = monitor.rcWork;
  const LONG dx = std::max(work.left - frame.left, std::min(0L, work.right - frame.right));
  const LONG dy = std::max(work.top - frame.top, std::min(0L, work.bottom - frame.bottom));
  OffsetRect(&frame, dx, dy);
  return frame;
}

// The window rectangle whose client area has the design's size at `dpi`,
// at its first place on the screen, within the work area.
RECT FirstFrame(UINT dpi) {
  static const auto adjustForDpi =
      User32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  const int left = Px(kClientScreenLeft, dpi), top = Px(kClientScreenTop, dpi);
  RECT frame = {left, top, left + Px(kClientWidth, dpi), top + Px(kClientHeight, dpi)};
  if (!adjustForDpi || !adjustForDpi(&frame, kWindowStyle, FALSE, 0, dpi)) {
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  }
  return InsideWorkArea(frame);
}

// The height the control's text needs, wrapped as a label wraps it to
// `width` pixels in the control's font.
int WrappedTextHeight(HWND control, int width) {
  wchar_t text[128] = {};
  GetWindowTextW(control, text, 128);
  HDC dc = GetDC(control);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT rect = {0, 0, width, 0};
  DrawTextW(dc, text, -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return rect.bottom;
}

const wchar_t* ClassOf(ControlKind kind) {
  return kind == ControlKind::kTextBox  ? L"EDIT"
         : kind == ControlKind::kButton ? L"BUTTON"
                                        : L"STATIC";
}

DWORD StyleOf(ControlKind kind) {
  const DWORD common = WS_CHILD | WS_VISIBLE;
  if (kind == ControlKind::kTextBox) return common | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  if (kind == ControlKind::kButton) return common | WS_TABSTOP | BS_PUSHBUTTON;
  return common | SS_LEFT | SS_NOPREFIX;  // SS_LEFT word-wraps
}

HFONT MakeFont(int hundredthsOfPoint, bool underline, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = ANSI_CHARSET;
  lstrcpynW(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

// Each job's button and the text box it reads.
struct JobControls {
  const JobKind* job;
  int button, textBox;
};
const JobControls kJobControls[] = {
    {&kUnpackJob, Form1::kCmdDe, Form1::kTxtVokDe},
    {&kPackJob, Form1::kCmdCom, Form1::kTxtVokCom},
};

const JobKind* JobOfButton(int id) {
  for (const JobControls& controls : kJobControls) {
    if (controls.button == id) return controls.job;
  }
  return nullptr;
}

}  // namespace

bool Form1::Register(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VOK));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VOK), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0;
}

HWND Form1::Create(HINSTANCE instance, int showCommand) {
  // The client area at its first place, at the screen's DPI.
  const UINT dpi = ScreenDpi();
  RECT frame = FirstFrame(dpi);
  // Files dropped from Explorer come as WM_DROPFILES.
  HWND hwnd = CreateWindowExW(WS_EX_ACCEPTFILES, kClassName, kCaption, kWindowStyle, frame.left,
                              frame.top, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) return nullptr;
  // On a monitor of another DPI, placed again for that one.
  if (const UINT own = DpiOf(hwnd); own != dpi) {
    frame = FirstFrame(own);
    SetWindowPos(hwnd, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd, showCommand);
  UpdateWindow(hwnd);
  SetFocus(GetDlgItem(hwnd, kTxtVokDe));
  return hwnd;
}

std::vector<HANDLE> Form1::WatchedScripts(HWND window) {
  auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->platform_.WatchedProcesses() : std::vector<HANDLE>();
}

LRESULT CALLBACK Form1::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    // No exception may cross the window procedure: without memory for its
    // state the window is not created, and the program ends with status 1.
    self = new (std::nothrow) Form1(hwnd);
    if (!self) return FALSE;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete self;
  }
  return result;
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case kScriptEnded:
      Guarded([&] { ReportEndedScripts(*this, platform_, session_); });
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      if (OnActivate(LOWORD(wParam), HIWORD(wParam) != 0)) return 0;
      break;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) RememberFocus();
      break;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// Creates the controls, then gives them their fonts and places at the
// window's DPI.
bool Form1::OnCreate() {
  for (const ControlLayout& layout : kControls) {
    if (!CreateControl(layout)) return false;
  }
  // Where the focus goes when the window is first active, also when it
  // starts minimised and is restored later.
  lastFocus_ = GetDlgItem(hwnd_, kTxtVokDe);
  ApplyDpi(DpiOf(hwnd_));
  return true;
}

// Fonts by point size and places by twips, at `dpi`. A label whose wrapped
// text needs more height in the font of that DPI grows downwards; at the
// design's 96 DPI every box is the design's.
void Form1::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  // The controls take the new fonts before the old ones go.
  const HFONT oldFonts[] = {defaultFont_, headingFont_, extensionFont_};
  defaultFont_ = MakeFont(800, false, dpi);
  headingFont_ = MakeFont(1350, true, dpi);
  extensionFont_ = MakeFont(975, false, dpi);
  for (const ControlLayout& layout : kControls) {
    HWND control = GetDlgItem(hwnd_, layout.id);
    const HFONT font = layout.font == FontKind::kHeading     ? headingFont_
                       : layout.font == FontKind::kExtension ? extensionFont_
                                                             : defaultFont_;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const int width = Px(layout.width, dpi);
    int height = Px(layout.height, dpi);
    if (layout.kind == ControlKind::kLabel && dpi != kDesignDpi) {
      height = std::max(height, WrappedTextHeight(control, width));
    }
    SetWindowPos(control, nullptr, Px(layout.left, dpi), Px(layout.top, dpi), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (HFONT font : oldFonts) DeleteObject(font);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// Moved to a screen of another DPI, or the screen's scale changed. The
// rectangle Windows suggests is taken as it is: while the window is dragged
// across two screens it spans both, and moving it would pull the window from
// under the cursor.
void Form1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  ApplyDpi(dpi);
  const RECT& frame = suggested;
  SetWindowPos(hwnd_, nullptr, frame.left, frame.top, frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form1::CreateControl(const ControlLayout& layout) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  const bool isTextBox = layout.kind == ControlKind::kTextBox;
  HWND control = CreateWindowExW(
      isTextBox ? WS_EX_CLIENTEDGE : 0, ClassOf(layout.kind), layout.text, StyleOf(layout.kind), 0,
      0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
  if (!control) return false;
  // No length limit on what can be typed.
  if (isTextBox) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  return true;
}

void Form1::OnCommand(int id, int notification) {
  const JobKind* job = JobOfButton(id);
  if (!job || notification != BN_CLICKED) return;
  // A box of this window is modal: while one is open, or once the window is
  // closing, no job starts (a click can still be posted to a disabled window).
  if (handlersRunning_ > 0 || life_ != Life::kOpen) return;
  Guarded([&] { RunJob(*job, *this, platform_, session_); });
}

void Form1::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  HPEN pen = CreatePen(PS_SOLID, Px(kLineWidth, dpi_), kLineColour);
  HGDIOBJ previous = SelectObject(dc, pen);
  MoveToEx(dc, 0, Px(kLineTop, dpi_), nullptr);
  LineTo(dc, Px(kLineEnd, dpi_), Px(kLineTop, dpi_));
  SelectObject(dc, previous);
  DeleteObject(pen);
  EndPaint(hwnd_, &paint);
}

// Files dropped from Explorer fill the text boxes; a drop starts no job.
void Form1::OnDropFiles(HDROP drop) {
  Guarded([&] { FillFromDrop(TakeDroppedPaths(drop), *this, platform_); });
}

// Keeps the focus where the user left it, as a dialog box does: remembered
// when another window takes the activation (the script's console does, after
// every job), given back when the window is active again, unless it comes
// back minimised. True when the focus was given back.
bool Form1::OnActivate(WORD state, bool minimised) {
  if (state == WA_INACTIVE) {
    RememberFocus();
    return false;
  }
  if (minimised || !IsChild(hwnd_, lastFocus_)) return false;
  SetFocus(lastFocus_);
  return true;
}

// The frame itself got the focus, as it does when the window is restored
// from the taskbar: handed on to the control that had it.
void Form1::OnSetFocus() {
  if (IsChild(hwnd_, lastFocus_)) SetFocus(lastFocus_);
}

void Form1::RememberFocus() {
  HWND focus = GetFocus();
  if (IsChild(hwnd_, focus)) lastFocus_ = focus;
}

// Labels take the window's own background colour.
LRESULT Form1::OnCtlColorStatic(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// Any way of closing the window ends here; the close is never refused. A
// box's modal loop delivers a close too: then the handler that showed the
// box still uses this object, and the close is carried out once it returns.
void Form1::OnClose() {
  if (life_ != Life::kOpen) return;
  life_ = Life::kCloseNoted;
  if (handlersRunning_ == 0) GoOn();
}

// The session ends without a WM_CLOSE: a close like any other, but the
// cleanup runs now, as the process may be ended once this returns, even
// beneath an open box; the window goes once the box returns.
void Form1::OnEndSession(bool ending) {
  if (!ending || (life_ != Life::kOpen && life_ != Life::kCloseNoted)) return;
  Guarded([&] { CleanUp(); });
}

void Form1::OnDestroy() {
  DeleteObject(defaultFont_);
  DeleteObject(headingFont_);
  DeleteObject(extensionFont_);
  PostQuitMessage(exitCode_);
}

template <typename Fn>
void Form1::Guarded(Fn fn) {
  ++handlersRunning_;
  // No exception may cross the window procedure.
  try {
    fn();
  } catch (const std::exception& error) {
    Fail(error.what());
  } catch (...) {
    Fail("An unexpected error occurred.");
  }
  if (--handlersRunning_ == 0) GoOn();
}

// The outermost handler is done: a close noted meanwhile is carried out (its
// cleanup a handler of its own), and a window cleaned up or failed goes, and
// this object with it: nothing touches it afterwards.
void Form1::GoOn() {
  if (life_ == Life::kCloseNoted) return Guarded([&] { CleanUp(); });
  if (life_ == Life::kCleanedUp || life_ == Life::kFailed) DestroyWindow(hwnd_);
}

// The life moves on first: a failure of the cleanup is a failure.
void Form1::CleanUp() {
  life_ = Life::kCleanedUp;
  CleanupOnExit(platform_);
}

// Shows the failure; the outermost handler then ends the program. The
// scripts are left as the failure found them.
void Form1::Fail(const char* text) noexcept {
  life_ = Life::kFailed;
  exitCode_ = 1;
  std::wstring message;
  try {
    message = Utf8ToWide(text) + L"\n\nVOK Decompiler will now close.";
  } catch (...) {  // no memory for the text: say what needs none
  }
  MessageBoxW(hwnd_, message.empty() ? kFatalFallback : message.c_str(), kFatalTitle,
              MB_OK | MB_ICONERROR);
}

std::string Form1::ReadText(const JobKind& job) {
  HWND box = TextBoxOf(job);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

void Form1::Warn(const std::string& prompt, const std::string& title) {
  if (life_ != Life::kOpen) return;  // the window is going: nobody is left to read it
  MessageBoxW(hwnd_, Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(),
              MB_OK | MB_ICONEXCLAMATION);
}

void Form1::SetText(const JobKind& job, const std::string& text) {
  SetWindowTextW(TextBoxOf(job), Utf8ToWide(text).c_str());
}

void Form1::Focus(const JobKind& job) {
  lastFocus_ = TextBoxOf(job);
  SetFocus(lastFocus_);
}

HWND Form1::TextBoxOf(const JobKind& job) const {
  for (const JobControls& controls : kJobControls) {
    if (controls.job == &job) return GetDlgItem(hwnd_, controls.textBox);
  }
  return nullptr;
}

}  // namespace vok
