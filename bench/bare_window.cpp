// Baseline for the benchmarks: the same window and controls as VOK
// Decompiler, written as plainly as Win32 allows (no jobs, no C++ library).
#include <windows.h>

namespace {

struct Control {
  const wchar_t* className;
  const wchar_t* text;
  int left, top, width, height;
};

const Control kControls[] = {
    {L"EDIT", L"", 16, 72, 129, 25},
    {L"STATIC", L"Type in the name of the file          (do not include.vok)", 16, 40, 137, 25},
    {L"STATIC", L".vok", 144, 80, 49, 17},
    {L"STATIC", L"Decompile/Unpack", 8, 8, 177, 25},
    {L"BUTTON", L"Decompile", 184, 40, 81, 49},
    {L"STATIC", L"Compile/Pack", 8, 144, 153, 33},
    {L"STATIC", L"Type in the name of the      folder (directory)", 24, 192, 113, 33},
    {L"EDIT", L"", 16, 224, 129, 25},
    {L"BUTTON", L"Compile", 184, 192, 81, 49},
};

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      for (const Control& c : kControls) {
        const DWORD style = WS_CHILD | WS_VISIBLE | (c.className[0] == L'S' ? 0 : WS_TABSTOP);
        CreateWindowExW(c.className[0] == L'E' ? WS_EX_CLIENTEDGE : 0, c.className, c.text, style,
                        c.left, c.top, c.width, c.height, hwnd, nullptr, nullptr, nullptr);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      HPEN pen = CreatePen(PS_SOLID, 5, RGB(255, 0, 0));
      HGDIOBJ old = SelectObject(dc, pen);
      MoveToEx(dc, 0, 128, nullptr);
      LineTo(dc, 288, 128);
      DeleteObject(SelectObject(dc, old));
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = L"BareWindow";
  if (!RegisterClassExW(&wc)) return 1;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, 270, 277};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND hwnd =
      CreateWindowExW(0, L"BareWindow", L"Bare window", style, 366, 200, frame.right - frame.left,
                      frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(hwnd, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
