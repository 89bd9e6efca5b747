// A stand-in for vok.exe that records how it was called, for tests that check
// what the tool really receives through the command interpreter.
//
// Appends to "vok-calls.txt" in the working directory, as UTF-8, one record
// per call:
//   call
//   cmdline=<the raw command line>
//   arg=<argument 1 as the C runtime split it>
//   ...
//   end
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string ToUtf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::string record = "call\ncmdline=" + ToUtf8(GetCommandLineW()) + "\n";
  for (int i = 1; i < argc; ++i) record += "arg=" + ToUtf8(argv[i]) + "\n";
  record += "end\n";
  // Several copies may run at once: one writes at a time (no write sharing),
  // readers never block a writer (read sharing). Wait for a busy log rather
  // than lose a call: tests count the calls.
  for (int attempt = 0; attempt < 3000; ++attempt) {
    HANDLE file = CreateFileW(L"vok-calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Sleep(10);
      continue;
    }
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
  }
  return 1;
}
