// vok: packs a folder into a .vok archive, or unpacks one.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// UTF-8 text to a standard stream. A Windows console gets UTF-16, which
// shows every character whatever its code page; files and pipes get UTF-8.
void Print(std::FILE* stream, const std::string& text) {
  if (text.empty()) return;
#ifdef _WIN32
  HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), size);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(length), &written, nullptr);
    return;
  }
#endif
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  const std::vector<std::filesystem::path> arguments(argv + 1, argv + argc);
  const vok::CommandResult result = vok::RunCommand(arguments);
  Print(stdout, result.out);
  Print(stderr, result.err);
  return result.exitStatus;
}
