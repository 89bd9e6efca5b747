#pragma once

// The owners of the system's handles: each closes its handle once, with the
// function that handle needs, when the owner goes, also when an exception
// passes. The platform layer closes nothing by hand.
#include <windows.h>

#include <utility>

namespace vok {

template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type value) : value_(value) {}
  ~Unique() { Close(); }
  Unique(Unique&& other) noexcept : value_(other.Release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Type get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::None(); }
  // Gives the handle up without closing it.
  Type Release() { return std::exchange(value_, Traits::None()); }
  void Reset(Type value = Traits::None()) {
    Close();
    value_ = value;
  }
  // Closes the handle now; false, with the error for GetLastError, when the
  // system says the close failed (a write it could not finish, say).
  bool Close() { return !*this || Traits::Close(Release()); }
  // Where a function that returns its handle through a pointer puts it.
  Type* Receive() {
    Reset();
    return &value_;
  }

 private:
  Type value_ = Traits::None();
};

// Processes, events, tokens: none is nullptr.
struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE None() { return nullptr; }
  static bool Close(HANDLE handle) { return CloseHandle(handle) != FALSE; }
};
// Files opened by CreateFileW: none is INVALID_HANDLE_VALUE.
struct FileHandleTraits : KernelHandleTraits {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
};
// A search of a folder's files.
struct SearchHandleTraits {
  using Type = HANDLE;
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE handle) { return FindClose(handle) != FALSE; }
};
// Memory the system allocated for the caller with LocalAlloc.
template <typename Pointer>
struct LocalMemoryTraits {
  using Type = Pointer;
  static Pointer None() { return nullptr; }
  static bool Close(Pointer memory) { return LocalFree(memory) == nullptr; }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueSearch = Unique<SearchHandleTraits>;
template <typename Pointer>
using UniqueLocal = Unique<LocalMemoryTraits<Pointer>>;

}  // namespace vok
