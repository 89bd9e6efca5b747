#include "win32_file_identity.h"

namespace vok {

std::wstring Hex(const void* bytes, std::size_t size, bool upper) {
  const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring text;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = static_cast<const unsigned char*>(bytes)[i];
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text;
}

std::wstring IdentityOf(HANDLE file) {
  FILE_ID_INFO id{};
  if (GetFileInformationByHandleEx(file, FileIdInfo, &id, sizeof(id))) {
    return Hex(&id.VolumeSerialNumber, sizeof(id.VolumeSerialNumber)) + L' ' +
           Hex(&id.FileId, sizeof(id.FileId));
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return L"";
  const DWORD index[] = {info.nFileIndexLow, info.nFileIndexHigh};
  return Hex(&info.dwVolumeSerialNumber, sizeof(DWORD)) + L' ' + Hex(index, sizeof(index));
}

bool DeleteThrough(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) !=
         FALSE;
}

}  // namespace vok
