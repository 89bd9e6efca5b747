#include "app_driver.h"

#include <stdexcept>

namespace vok::test {
namespace {

struct WindowSearch {
  DWORD processId;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t className[64] = {};
  GetClassNameW(hwnd, className, 64);
  if (pid == search->processId && IsWindowVisible(hwnd) &&
      lstrcmpW(className, search->className) == 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForTopLevel(DWORD processId, const wchar_t* className, DWORD timeoutMs) {
  for (DWORD waited = 0; waited <= timeoutMs; waited += 20) {
    WindowSearch search{processId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(20);
  }
  return nullptr;
}

// The pixels of a bitmap, top-down, 32 bits each.
std::vector<BYTE> PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * 4);
  GetDIBits(dc, bitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS);
  return pixels;
}

// What the screen shows in the rectangle, or, with an icon, what that icon
// looks like drawn there on the dialog background.
std::vector<BYTE> Picture(const RECT& rect, HICON icon) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  if (icon) {
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
  } else {
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  }
  SelectObject(memory, previous);
  auto pixels = PixelsOf(memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

}  // namespace

RunningApp::RunningApp(const std::filesystem::path& folder) {
  if (folder.empty()) {
    scratch_ = std::make_unique<ScratchDir>();
    InstallRecordingTool();
  }
  const std::wstring workingFolder = folder.empty() ? scratch_->path().wstring() : folder.wstring();
  std::wstring commandLine = L"\"" VOK_APP_PATH L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(VOK_APP_PATH, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.c_str(), &startup, &process_)) {
    throw std::runtime_error("could not start VOK Decompiler.exe");
  }
  WaitForInputIdle(process_.hProcess, 10000);
  window_ = WaitForTopLevel(process_.dwProcessId, L"VokDecompilerForm1", 20000);
  if (!window_) throw std::runtime_error("the window did not appear");
}

RunningApp::~RunningApp() {
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  WaitForToolCalls(0);  // let running scripts finish before the folder goes
}

std::wstring RunningApp::TextOf(HWND control) const {
  wchar_t text[512] = {};
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

void RunningApp::Type(int textBoxId, const std::wstring& text) {
  SendMessageW(Control(textBoxId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningApp::Click(int buttonId) {
  PostMessageW(Control(buttonId), BM_CLICK, 0, 0);
}

void RunningApp::PressKey(WPARAM key) {
  HWND target = Focus();
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

HWND RunningApp::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(process_.dwThreadId, &info);
  return info.hwndFocus;
}

HWND RunningApp::WaitForMessageBox(DWORD timeoutMs) const {
  return WaitForTopLevel(process_.dwProcessId, L"#32770", timeoutMs);
}

void RunningApp::Dismiss(HWND box) {
  PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  WaitUntil([&] { return !IsWindow(box); });
}

int RunningApp::CloseAndWait(UINT message, WPARAM wParam) {
  PostMessageW(window_, message, wParam, 0);
  return WaitForExit();
}

int RunningApp::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

MessageBoxContent ReadMessageBox(HWND box) {
  MessageBoxContent content;
  wchar_t buffer[1024] = {};
  GetWindowTextW(box, buffer, 1024);
  content.title = buffer;
  int buttons = 0;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (lstrcmpiW(className, L"Button") == 0 && IsWindowVisible(child)) ++buttons;
    if (lstrcmpiW(className, L"Static") != 0) continue;
    if ((style & SS_TYPEMASK) == SS_ICON) {
      content.hasIcon = true;
    } else if (GetWindowTextW(child, buffer, 1024) > 0) {
      content.text = buffer;
    }
  }
  content.onlyOkButton = buttons == 1 && IsWindowVisible(GetDlgItem(box, IDOK));
  return content;
}

bool BoxIconIs(HWND box, LPCWSTR systemIcon) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    // Icon handles belong to their process: compare what the screen shows,
    // once the box has been painted.
    RECT rect;
    GetWindowRect(child, &rect);
    const auto expected = Picture(rect, LoadIconW(nullptr, systemIcon));
    return WaitUntil([&] { return Picture(rect, nullptr) == expected; }, 3000);
  }
  return false;
}

}  // namespace vok::test
