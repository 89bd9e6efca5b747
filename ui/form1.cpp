#include "form1.h"

#include <exception>

#include "win32_text.h"

namespace vok {

enum class FontKind { kDefault, kHeading, kExtension };

// One control of the window: position and size in client pixels (twips / 15).
struct ControlLayout {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  int left, top, width, height;
  FontKind font;
};

namespace {

// In tab order, which is also creation (z) order: Tab walks the controls
// that take the focus in this order.
const ControlLayout kControls[] = {
    {Form1::kTxtVokDe, L"EDIT", L"", 16, 72, 129, 25, FontKind::kDefault},
    {Form1::kLabel1, L"STATIC", L"Type in the name of the file          (do not include.vok)", 16,
     40, 137, 25, FontKind::kDefault},
    {Form1::kLabel2, L"STATIC", L".vok", 144, 80, 49, 17, FontKind::kExtension},
    {Form1::kLabel3, L"STATIC", L"Decompile/Unpack", 8, 8, 177, 25, FontKind::kHeading},
    {Form1::kCmdDe, L"BUTTON", L"Decompile", 184, 40, 81, 49, FontKind::kDefault},
    {Form1::kLabel4, L"STATIC", L"Compile/Pack", 8, 144, 153, 33, FontKind::kHeading},
    {Form1::kLabel5, L"STATIC", L"Type in the name of the      folder (directory)", 24, 192, 113,
     33, FontKind::kDefault},
    {Form1::kTxtVokCom, L"EDIT", L"", 16, 224, 129, 25, FontKind::kDefault},
    {Form1::kCmdCom, L"BUTTON", L"Compile", 184, 192, 81, 49, FontKind::kDefault},
};

// The red line between the sections: from (0, 128) to (288, 128), past the
// right edge of the client area, where it is clipped.
constexpr int kLineY = 128;
constexpr int kLineEndX = 288;
constexpr int kLineWidth = 5;
constexpr COLORREF kLineColour = RGB(255, 0, 0);

// Where the client area is first shown on the screen (5490 by 3000 twips).
constexpr int kClientScreenLeft = 366;
constexpr int kClientScreenTop = 200;

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr const wchar_t* kFatalTitle = L"VOK Decompiler";

DWORD StyleOf(const ControlLayout& layout) {
  const DWORD common = WS_CHILD | WS_VISIBLE;
  if (layout.className[0] == L'E') return common | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  if (layout.className[0] == L'B') return common | WS_TABSTOP | BS_PUSHBUTTON;
  return common | SS_LEFT | SS_NOPREFIX;  // SS_LEFT word-wraps
}

HFONT MakeFont(int hundredthsOfPoint, bool underline) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW font{};
  font.lfHeight = -MulDiv(hundredthsOfPoint, dpi, 7200);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = ANSI_CHARSET;
  lstrcpynW(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

const JobKind& JobOfButton(int id) {
  return id == Form1::kCmdDe ? kUnpackJob : kPackJob;
}

}  // namespace

bool Form1::Register(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0;
}

HWND Form1::Create(HINSTANCE instance, int showCommand) {
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, kClassName, kCaption, kWindowStyle, kClientScreenLeft + frame.left,
                              kClientScreenTop + frame.top, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return nullptr;
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
    self = new Form1(hwnd);
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
    case WM_PAINT:
      OnPaint();
      return 0;
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

// Creates the fonts and the controls, in tab order.
bool Form1::OnCreate() {
  defaultFont_ = MakeFont(800, false);
  headingFont_ = MakeFont(1350, true);
  extensionFont_ = MakeFont(975, false);
  for (const ControlLayout& layout : kControls) {
    if (!CreateControl(layout)) return false;
  }
  return true;
}

bool Form1::CreateControl(const ControlLayout& layout) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  const bool isTextBox = layout.className[0] == L'E';
  HWND control =
      CreateWindowExW(isTextBox ? WS_EX_CLIENTEDGE : 0, layout.className, layout.text,
                      StyleOf(layout), layout.left, layout.top, layout.width, layout.height, hwnd_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
  if (!control) return false;
  const HFONT font = layout.font == FontKind::kHeading     ? headingFont_
                     : layout.font == FontKind::kExtension ? extensionFont_
                                                           : defaultFont_;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // No length limit on what can be typed.
  if (isTextBox) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
  return true;
}

void Form1::OnCommand(int id, int notification) {
  if ((id != kCmdDe && id != kCmdCom) || notification != BN_CLICKED) return;
  Guarded([&] { RunJob(JobOfButton(id), *this, platform_, session_); });
}

void Form1::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  HPEN pen = CreatePen(PS_SOLID, kLineWidth, kLineColour);
  HGDIOBJ previous = SelectObject(dc, pen);
  MoveToEx(dc, 0, kLineY, nullptr);
  LineTo(dc, kLineEndX, kLineY);
  SelectObject(dc, previous);
  DeleteObject(pen);
  EndPaint(hwnd_, &paint);
}

// Labels take the window's own background colour.
LRESULT Form1::OnCtlColorStatic(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// Any way of closing the window ends here; the close is never refused.
void Form1::OnClose() {
  const HWND hwnd = hwnd_;  // a fatal failure destroys the window, and this object with it
  Guarded([&] { RunCleanupOnce(); });
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
}

// The session ends without a WM_CLOSE: clean up now, as the process may be
// ended once this returns.
void Form1::OnEndSession(bool ending) {
  if (ending) Guarded([&] { RunCleanupOnce(); });
}

void Form1::OnDestroy() {
  DeleteObject(defaultFont_);
  DeleteObject(headingFont_);
  DeleteObject(extensionFont_);
  PostQuitMessage(exitCode_);
}

template <typename Fn>
void Form1::Guarded(Fn fn) {
  // No exception may cross the window procedure.
  try {
    fn();
  } catch (const std::exception& error) {
    ReportFatal(error.what());
  } catch (...) {
    ReportFatal("An unexpected error occurred.");
  }
}

void Form1::RunCleanupOnce() {
  if (cleanedUp_) return;
  cleanedUp_ = true;
  CleanupOnExit(platform_, session_);
}

// Shows the failure and ends the program. The scripts are left as the
// failure found them. Destroying the window deletes this object: nothing may
// touch it after this returns.
void Form1::ReportFatal(const std::string& text) {
  cleanedUp_ = true;
  exitCode_ = 1;
  const std::wstring message = Utf8ToWide(text) + L"\n\nVOK Decompiler will now close.";
  MessageBoxW(hwnd_, message.c_str(), kFatalTitle, MB_OK | MB_ICONERROR);
  DestroyWindow(hwnd_);
}

std::string Form1::ReadText(const JobKind& job) {
  HWND box = TextBoxOf(job);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

void Form1::Warn(const std::string& prompt, const std::string& title) {
  MessageBoxW(hwnd_, Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(),
              MB_OK | MB_ICONEXCLAMATION);
}

void Form1::Focus(const JobKind& job) {
  SetFocus(TextBoxOf(job));
}

HWND Form1::TextBoxOf(const JobKind& job) const {
  return GetDlgItem(hwnd_, &job == &kUnpackJob ? kTxtVokDe : kTxtVokCom);
}

}  // namespace vok
