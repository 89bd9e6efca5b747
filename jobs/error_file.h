#pragma once

#include <string>

namespace vok {

// The files that take the scripts' standard error, in the user's temporary
// folder: the prefix, 32 random lower-case hexadecimal digits, the suffix.
constexpr char kErrorFilePrefix[] = "vok-stderr-";
constexpr char kErrorFileSuffix[] = ".txt";

// Who owns a file that the sweep finds, as far as the program can tell.
enum class Owner {
  kUser,          // the user who runs the program
  kDefaultOwner,  // the owner the program's own files get (Administrators, run elevated)
  kOther,         // anybody else
  kUnknown,       // no owner to be read (a FAT or exFAT folder)
};

// A file that the start's sweep of leftover error files finds.
struct FoundFile {
  std::string name;
  bool link;  // a reparse point (a link, a junction), opened itself
  Owner owner;
};

// Whether the sweep may search the folder at all: only one named in full. A
// search pattern without a folder names the working folder, the user's.
bool MaySweepIn(const std::string& folder);

// Whether the sweep may delete the file, once nothing uses it: a name of the
// shape the program gives its error files (a search pattern also matches
// short names), no link, and owned by the user or as the program's own
// files are: a file whose owner it cannot tell may be another user's.
bool MaySweep(const FoundFile& file);

}  // namespace vok
