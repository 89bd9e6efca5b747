#include "win32_script_guard.h"

#include "win32_file_identity.h"
#include "win32_text.h"

namespace vok {

// In the global namespace, so that copies in other users' sessions (fast user
// switching, Remote Desktop) see it too; creating it there needs no
// privilege. The folder is named by its identity, not by its path, which
// another drive letter, an 8.3 name or a junction would change.
std::wstring ReservationName(const std::string& fileName) {
  const UniqueFile folder(CreateFileW(L".", FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const DWORD openError = GetLastError();
  if (!folder) throw PlatformError("reserve", fileName, SystemErrorText(openError));
  const std::wstring identity = IdentityOf(folder.get());
  const DWORD error = GetLastError();
  if (identity.empty()) throw PlatformError("reserve", fileName, SystemErrorText(error));
  return L"Global\\VOK Decompiler script " + identity + L' ' + Utf8ToWide(fileName);
}

Reservation ReserveScriptName(const std::string& fileName, UniqueHandle& reservation) {
  const std::wstring name = ReservationName(fileName);
  reservation.Reset();
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  const DWORD error = GetLastError();
  reservation.Reset(event);
  // A copy running elevated, or as another user, made an event that this
  // one may not open: reserved all the same.
  if (!reservation && error == ERROR_ACCESS_DENIED) return Reservation::kRunning;
  // An object of another kind (a mutex, say) holds the name: whoever made
  // it, no run can be guarded while it does.
  if (!reservation && error == ERROR_INVALID_HANDLE) return Reservation::kTaken;
  if (!reservation) throw PlatformError("reserve", fileName, SystemErrorText(error));
  if (error != ERROR_ALREADY_EXISTS) return Reservation::kReserved;
  reservation.Reset();
  return Reservation::kRunning;
}

}  // namespace vok
