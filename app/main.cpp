// Program start: the one window, and a message loop that also watches the
// scripts the window started, so that their end is told without the window
// ever waiting for them.
#include <windows.h>

#include <vector>

#include "form1.h"
#include "win32_function.h"

namespace {

// No DLL is ever loaded from the working folder, which holds the user's
// files. Looked up by name: Windows 7 has it only with an update.
void LoadDllsOnlyFromTheSystemFolder() {
  const auto set = vok::ExportedFunction<BOOL(WINAPI*)(DWORD)>(GetModuleHandleW(L"kernel32.dll"),
                                                               "SetDefaultDllDirectories");
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Runs until WM_QUIT. A script that has ended is handled before the next
// message, so no click can start a job beside its unreported end.
int RunMessageLoop(HWND window) {
  for (;;) {
    const std::vector<HANDLE> scripts = vok::Form1::WatchedScripts(window);
    const DWORD count = static_cast<DWORD>(scripts.size());
    const auto ended = [&](DWORD ready) { return ready < WAIT_OBJECT_0 + count; };
    if (ended(MsgWaitForMultipleObjectsEx(count, scripts.data(), INFINITE, QS_ALLINPUT,
                                          MWMO_INPUTAVAILABLE))) {
      SendMessageW(window, vok::Form1::kScriptEnded, 0, 0);
      continue;
    }
    // The messages one at a time, until a look finds none left, which also
    // tells Windows that the program waits for input.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      // Tab moves between the text boxes and buttons as in a dialog.
      if (!IsWindow(window) || !IsDialogMessageW(window, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (count && ended(WaitForMultipleObjects(count, scripts.data(), FALSE, 0))) break;
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  LoadDllsOnlyFromTheSystemFolder();
  if (!vok::Form1::Register(instance)) return 1;
  HWND window = vok::Form1::Create(instance, showCommand);
  if (!window) return 1;
  vok::RemoveUnusedErrorFiles();
  return RunMessageLoop(window);
}
