#pragma once

#include <string>

namespace vok {

// The files that take the scripts' standard error, in the user's temporary
// folder: the prefix, 32 random lower-case hexadecimal digits, the suffix.
constexpr char kErrorFilePrefix[] = "vok-stderr-";
constexpr char kErrorFileSuffix[] = ".txt";

// A file that the start's sweep of leftover error files finds.
struct FoundFile {
  std::string name;
  bool link;  // a reparse point (a link, a junction), opened itself
  bool ours;  // owned by the user who runs the program
};

// Whether the sweep may search the folder at all: only one named in full. A
// search pattern without a folder names the working folder, the user's.
bool MaySweepIn(const std::string& folder);

// Whether the sweep may delete the file, once nothing uses it: a name of the
// shape the program gives its error files (a search pattern also matches
// short names), no link, and the user's own.
bool MaySweep(const FoundFile& file);

}  // namespace vok
