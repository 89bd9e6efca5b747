#pragma once

#include <windows.h>

namespace vok {

// The function that `module` exports as `name`, or nullptr when the module
// is missing or this Windows lacks the function (each caller then does
// without it).
template <typename Function>
Function ExportedFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace vok
