#pragma once

// The start of a script: the system's own cmd.exe, told to leave the user's
// settings out, in a new minimised console of a title of its own.
#include <string>

#include "win32_handle.h"

namespace vok {

// The command line that runs `script` from the working folder in the given
// cmd.exe: without the user's AutoRun commands (/d), with delayed expansion
// off whatever the registry says (/v:off), the script's name quoted, and its
// standard error sent to `errorFile` when one is given.
std::wstring ScriptCommandLine(const std::wstring& interpreter, const std::wstring& script,
                               const std::wstring& errorFile = L"");

// Starts the script in the system's cmd.exe, minimised and active, without
// waiting for it; returns its process, to which the reservation is handed
// on. Throws PlatformError when it cannot start.
UniqueHandle StartScript(const std::string& fileName, const std::wstring& errorFile,
                         HANDLE reservation);

}  // namespace vok
