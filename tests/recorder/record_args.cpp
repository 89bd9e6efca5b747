// A stand-in for vok.exe that records how it was called, for tests that check
// what the tool really receives through the command interpreter.
//
// Appends one line per call to "vok-calls.txt" in the working folder, UTF-8:
// the state of its console ("minimised", "shown" or "none"), then each
// argument as the C runtime split the command line, tab-separated. Then it
// waits while a file "vok.hold" exists there, and ends with exit code N when
// its last argument ends in "exit=N" (".vok" aside).
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::string ToUtf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  out.pop_back();
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HWND console = GetConsoleWindow();
  std::string record = !console ? "none" : IsIconic(console) ? "minimised" : "shown";
  for (int i = 1; i < argc; ++i) record += "\t" + ToUtf8(argv[i]);
  record += "\n";
  // Copies running at once take turns: one writer at a time, and a busy log
  // is waited for rather than a call lost.
  for (int attempt = 0; attempt < 3000; ++attempt, Sleep(10)) {
    HANDLE file = CreateFileW(L"vok-calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    while (GetFileAttributesW(L"vok.hold") != INVALID_FILE_ATTRIBUTES) Sleep(20);
    const wchar_t* exit = argc > 1 ? wcsstr(argv[argc - 1], L"exit=") : nullptr;
    return exit ? _wtoi(exit + 5) : 0;
  }
  return 1;
}
