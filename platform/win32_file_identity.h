#pragma once

// What tells one file from every other, whatever name it is reached by, and
// the delete through a handle: the program deletes only files it has opened
// and recognised, never a name that may have changed meanwhile.
#include <windows.h>

#include <cstddef>
#include <string>

namespace vok {

// The bytes in hexadecimal, upper-case or lower-case, as they lie in memory.
std::wstring Hex(const void* bytes, std::size_t size, bool upper = true);

// The open file's or folder's volume and its 128-bit identifier where the
// system has one (a 64-bit index is not unique on ReFS, and 0 on some
// network redirectors), else its 64-bit index. Empty, with the error left
// for GetLastError, when it cannot be had.
std::wstring IdentityOf(HANDLE file);

// Deletes the file through its open handle (opened with DELETE access).
bool DeleteThrough(HANDLE file);

}  // namespace vok
