#include "win32_text.h"

#include "win32_handle.h"

namespace vok {

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::optional<std::string> WideToCodePageExactly(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  // UTF-8 takes no default character; it fails on lone surrogates instead.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int length =
      WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefaultOut);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), size, bytes.data(), length, nullptr,
                      usedDefaultOut);
  // Belt and braces: the bytes must decode to exactly the text we started from.
  const int back = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  std::wstring roundTrip(static_cast<std::size_t>(back), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), length, roundTrip.data(), back);
  if (roundTrip != text) return std::nullopt;
  return bytes;
}

std::wstring SystemFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(folder.data(), MAX_PATH);
  if (length >= MAX_PATH) {
    folder.resize(length);
    length = GetSystemDirectoryW(folder.data(), length);
  }
  if (length == 0 || length >= folder.size()) return {};
  folder.resize(length);
  return folder;
}

std::string SystemErrorText(DWORD error) {
  UniqueLocal<wchar_t*> buffer;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.Receive()), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer.get(), length) : std::wstring();
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Error " + std::to_string(error);
  return WideToUtf8(text);
}

}  // namespace vok
