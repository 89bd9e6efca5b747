// Drives the running VOK Decompiler window from a script, as a user would.
//   window_poke locate              prints the screen position of the client area
//   window_poke type BOX TEXT       types TEXT into txtvokde or txtvokcom
//   window_poke click BUTTON        presses cmdde or cmdcom
//   window_poke close               closes the window
//   window_poke wait                only waits for the window
//   window_poke box                 prints "TITLE: TEXT" of a message box on screen (exit 1: none)
//   window_poke ok                  presses OK in that box (exit 1: none)
// Each command but box first waits up to 20 seconds for the window to appear.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "form1.h"

namespace {

HWND FindForm1() {
  for (int waited = 0; waited < 20000; waited += 50) {
    if (HWND window = FindWindowW(vok::Form1::kClassName, vok::Form1::kCaption)) return window;
    Sleep(50);
  }
  return nullptr;
}

int ControlIdOf(const wchar_t* name) {
  if (std::wcscmp(name, L"txtvokde") == 0) return vok::Form1::kTxtVokDe;
  if (std::wcscmp(name, L"txtvokcom") == 0) return vok::Form1::kTxtVokCom;
  if (std::wcscmp(name, L"cmdde") == 0) return vok::Form1::kCmdDe;
  if (std::wcscmp(name, L"cmdcom") == 0) return vok::Form1::kCmdCom;
  return 0;
}

int Usage() {
  std::fputs("usage: window_poke locate | type BOX TEXT | click BUTTON | close | wait | box | ok\n",
             stderr);
  return 2;
}

// A box tells of a failed job or a fatal error; it does not need the window.
// Prints its title and text, or presses its OK button.
int PrintBox(bool pressOk) {
  HWND box = FindWindowW(L"#32770", nullptr);
  if (!box || !IsWindowVisible(box)) return 1;
  if (pressOk) return PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0) ? 0 : 1;
  wchar_t title[256] = L"", text[1024] = L"";
  GetWindowTextW(box, title, 256);
  GetDlgItemTextW(box, 0xFFFF, text, 1024);  // a message box's text
  std::printf("%ls: %ls\n", title, text);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring command = argv[1];
  if ((command == L"box" || command == L"ok") && argc == 2) return PrintBox(command == L"ok");
  HWND window = FindForm1();
  if (!window) {
    std::fputs("window_poke: the window did not appear\n", stderr);
    return 1;
  }
  if (command == L"wait" && argc == 2) return 0;
  if (command == L"locate" && argc == 2) {
    Sleep(500);  // let it paint
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    std::printf("%ld %ld\n", origin.x, origin.y);
    return 0;
  }
  if (command == L"close" && argc == 2) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  const int id = argc > 2 ? ControlIdOf(argv[2]) : 0;
  if (id == 0) return Usage();
  if (command == L"type" && argc == 4) {
    SendMessageW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    return 0;
  }
  if (command == L"click" && argc == 3) {
    PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
    return 0;
  }
  return Usage();
}
