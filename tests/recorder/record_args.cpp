// A stand-in for vok.exe that records how it was called, for tests that check
// what the tool really receives through the command interpreter.
//
// Built as an ANSI program (main, not wmain), as many command-line tools
// are: the C runtime converts the command line to the ANSI code page, with
// best fit, before splitting it. A name that code page lacks arrives changed,
// as it would for such a tool.
//
// Appends one line per call to "vok-calls.txt" in the working folder, UTF-8:
// "minimised" when its starter asked for its window to show minimised, else
// "-", then each argument as the C runtime split the command line,
// tab-separated. Put in the system's cmd.exe's place, it records what the
// program asked of the interpreter. Then it
// waits while a file "vok.hold" exists there, writes to standard error what
// "vok.err" there holds (see WriteStandardError), and ends with exit code N
// when its last argument ends in "exit=N".
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

// The ANSI text in UTF-16.
std::wstring Wide(const char* text) {
  std::wstring wide(std::strlen(text), L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(
      CP_ACP, 0, text, static_cast<int>(wide.size()), wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

// Writes the bytes of "vok.err", when there is one, to standard error, N
// times when `last` holds "repeat=N".
void WriteStandardError(const char* last) {
  HANDLE file =
      CreateFileW(L"vok.err", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD done = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(file);
  const char* repeat = last ? std::strstr(last, "repeat=") : nullptr;
  for (unsigned long i = repeat ? std::strtoul(repeat + 7, nullptr, 10) : 1; i > 0; --i) {
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &done,
              nullptr);
  }
}

int main(int argc, char** argv) {
  // How its starter asked for its window to show: the program starts each
  // script's cmd.exe minimised, whatever the console host then makes of it.
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  std::wstring record =
      (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_SHOWMINIMIZED
          ? L"minimised"
          : L"-";
  for (int i = 1; i < argc; ++i) record += L"\t" + Wide(argv[i]);
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
    WriteStandardError(argc > 1 ? argv[argc - 1] : nullptr);
    const char* exit = argc > 1 ? std::strstr(argv[argc - 1], "exit=") : nullptr;
    return exit ? static_cast<int>(std::strtoul(exit + 5, nullptr, 10)) : 0;
  }
  return 1;
}
