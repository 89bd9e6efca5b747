#pragma once

#include <map>
#include <string>
#include <utility>

#include "job_platform.h"

namespace vok {

// Open files by output slot. Each slot holds at most one open file.
template <typename Handle>
class SlotTable {
 public:
  // Records the file on the slot; refuses a slot that is already in use.
  void Put(int slot, const std::string& fileName, Handle handle) {
    if (open_.count(slot)) throw PlatformError("open", fileName, "the output slot is in use");
    open_.emplace(slot, Entry{fileName, std::move(handle)});
  }
  bool Has(int slot) const { return open_.count(slot) != 0; }
  const Handle& HandleOf(int slot) const { return Find(slot).handle; }
  const std::string& NameOf(int slot) const { return Find(slot).fileName; }
  // Removes the slot's file from the table and hands it to the caller.
  Handle Take(int slot) {
    Handle handle = std::move(open_.at(slot).handle);
    open_.erase(slot);
    return handle;
  }
  template <typename Fn>
  void ForEach(Fn fn) const {
    for (const auto& [slot, entry] : open_) fn(slot, entry.handle);
  }

 private:
  struct Entry {
    std::string fileName;
    Handle handle;
  };
  const Entry& Find(int slot) const {
    auto it = open_.find(slot);
    if (it == open_.end()) {
      throw PlatformError("write", "slot " + std::to_string(slot), "no file is open there");
    }
    return it->second;
  }
  std::map<int, Entry> open_;
};

}  // namespace vok
