// Finds the running program's window for the screenshot check.
//   window_locator locate   prints the screen position of its client area
//   window_locator close    closes it
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  HWND window = nullptr;
  for (int waited = 0; !window && waited < 20000; waited += 50) {
    window = FindWindowW(L"VokDecompilerForm1", L".vok Decompiler");
    if (!window) Sleep(50);
  }
  if (!window) {
    std::fprintf(stderr, "window_locator: no window\n");
    return 1;
  }
  if (argc > 1 && std::strcmp(argv[1], "close") == 0) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  Sleep(500);  // let it paint
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  std::printf("%ld %ld\n", origin.x, origin.y);
  return 0;
}
