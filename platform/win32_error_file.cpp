#include "win32_error_file.h"

#include <ntsecapi.h>

#include <algorithm>

#include "error_file.h"
#include "win32_file_identity.h"
#include "win32_security.h"
#include "win32_text.h"

namespace vok {
namespace {

// The folder for the error files, in full, as cmd.exe can take it in a
// redirection: a "%" would be expanded there, so such a folder goes by its
// short name, or not at all ("").
std::wstring ErrorFileFolder() {
  std::wstring folder(MAX_PATH + 1, L'\0');
  folder.resize(GetTempPathW(MAX_PATH + 1, folder.data()));
  if (folder.find(L'%') == std::wstring::npos) return folder;
  std::wstring shortName(MAX_PATH + 1, L'\0');
  shortName.resize(GetShortPathNameW(folder.c_str(), shortName.data(), MAX_PATH + 1));
  return shortName.find(L'%') == std::wstring::npos ? shortName : std::wstring();
}

// Opens the file or link itself, never what a link points to, to delete it,
// when nothing has it open: the exclusive open fails while a script's
// cmd.exe, or a tool it started, still writes to it.
UniqueFile OpenUnusedToDelete(const std::wstring& path) {
  return UniqueFile(CreateFileW(path.c_str(), DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES, 0,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Deletes a file that an earlier run left, when nothing uses it and the
// sweep may take it.
void DeleteIfUnused(const std::wstring& folder, const std::wstring& name) {
  const UniqueFile file = OpenUnusedToDelete(folder + name);
  if (!file) return;
  FILE_ATTRIBUTE_TAG_INFO kind{};
  const bool known =
      GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &kind, sizeof(kind));
  const FoundFile found = {WideToUtf8(name),
                           (kind.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                           OwnerOf(file.get())};
  if (known && !(kind.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && MaySweep(found)) {
    DeleteThrough(file.get());
  }
}

}  // namespace

ErrorFile::ErrorFile() {
  static const UniqueLocal<PSECURITY_DESCRIPTOR> descriptor = UserOnlyDescriptor();
  const std::wstring folder = ErrorFileFolder();
  unsigned char bits[16];
  if (!descriptor || folder.empty() || !RtlGenRandom(bits, sizeof bits)) return;
  const std::wstring name =
      Utf8ToWide(kErrorFilePrefix) + Hex(bits, sizeof bits, false) + Utf8ToWide(kErrorFileSuffix);
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
  // Read here; cmd.exe opens it by name to write, and may delete it.
  const std::wstring path = folder + name;
  handle_.Reset(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &security,
                            CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!handle_) return;
  folder_ = folder;
  name_ = name;
  identity_ = IdentityOf(handle_.get());
}

// The file is known by the identity it had at its creation, whoever the
// system says owns it: run as administrator, that is the Administrators
// group; on a FAT folder, nobody.
ErrorFile::~ErrorFile() {
  if (!handle_) return;
  handle_.Close();
  const UniqueFile file = OpenUnusedToDelete(path());
  if (file && !identity_.empty() && IdentityOf(file.get()) == identity_) {
    DeleteThrough(file.get());
  }
}

void ErrorFile::ReadTail(ScriptEnd& end) const {
  LARGE_INTEGER size{}, from{};
  if (!handle_ || !GetFileSizeEx(handle_.get(), &size)) return;
  // Only the end is read, however much the tool wrote.
  from.QuadPart = std::max<LONGLONG>(0, size.QuadPart - static_cast<LONGLONG>(kErrorTailBytes));
  std::string tail(static_cast<std::size_t>(size.QuadPart - from.QuadPart), '\0');
  DWORD read = 0;
  if (!SetFilePointerEx(handle_.get(), from, nullptr, FILE_BEGIN) ||
      !::ReadFile(handle_.get(), tail.data(), static_cast<DWORD>(tail.size()), &read, nullptr)) {
    return;
  }
  tail.resize(read);
  end.errorTail = std::move(tail);
  end.errorCut = from.QuadPart > 0;
}

void RemoveUnusedErrorFiles() {
  const std::wstring folder = ErrorFileFolder();
  if (!MaySweepIn(WideToUtf8(folder))) return;
  WIN32_FIND_DATAW found{};
  const std::wstring pattern =
      folder + Utf8ToWide(kErrorFilePrefix) + L"*" + Utf8ToWide(kErrorFileSuffix);
  const UniqueSearch search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) return;
  do {
    DeleteIfUnused(folder, found.cFileName);
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace vok
