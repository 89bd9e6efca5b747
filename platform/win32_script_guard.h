#pragma once

// The guard that keeps a script from being rewritten while it runs: a named
// event that exists while a script of that name runs in the working folder,
// whichever copy of the program started it, in whichever user's session.
#include <string>

#include "job_platform.h"
#include "win32_handle.h"

namespace vok {

// The name of the event that exists while a script of this name runs in the
// working folder.
std::wstring ReservationName(const std::string& fileName);

// Makes the event of the script's name into `reservation`, or says why it
// cannot be had; throws PlatformError for a failure of another kind.
Reservation ReserveScriptName(const std::string& fileName, UniqueHandle& reservation);

}  // namespace vok
