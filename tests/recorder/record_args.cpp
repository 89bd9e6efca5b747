// A stand-in for vok.exe that records how it was called, for tests that check
// what the tool really receives through the command interpreter.
//
// Appends one line per call to "vok-calls.txt" in the working folder, UTF-8:
// the state of its console ("minimised", "shown" or "none"), then each
// argument as the C runtime split the command line, tab-separated. Then it
// waits while a file "vok.hold" exists there, and ends with exit code N when
// its last argument ends in "exit=N".
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  HWND console = GetConsoleWindow();
  std::wstring record = !console ? L"none" : IsIconic(console) ? L"minimised" : L"shown";
  for (int i = 1; i < argc; ++i) record += std::wstring(L"\t") + argv[i];
  record += L"\n";
  std::string utf8(record.size() * 3, '\0');
  utf8.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, record.data(), static_cast<int>(record.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr)));
  // Copies running at once take turns: one writer at a time, and a busy log
  // is waited for rather than a call lost.
  for (int attempt = 0; attempt < 3000; ++attempt, Sleep(10)) {
    HANDLE file = CreateFileW(L"vok-calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    while (GetFileAttributesW(L"vok.hold") != INVALID_FILE_ATTRIBUTES) Sleep(20);
    const wchar_t* exit = argc > 1 ? std::wcsstr(argv[argc - 1], L"exit=") : nullptr;
    return exit ? static_cast<int>(std::wcstoul(exit + 5, nullptr, 10)) : 0;
  }
  return 1;
}
