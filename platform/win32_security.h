#pragma once

// Who the program runs as, and who owns a file: the user's token, the
// owner of the files the program creates, and the descriptor that keeps a
// file to the user alone.
#include <windows.h>

#include "error_file.h"
#include "win32_handle.h"

namespace vok {

// Who owns the open file, as the sweep of leftover error files weighs it.
Owner OwnerOf(HANDLE file);

// A descriptor that lets only the user who runs the program open a file,
// whatever its folder would pass on; none when it cannot be had.
UniqueLocal<PSECURITY_DESCRIPTOR> UserOnlyDescriptor();

}  // namespace vok
