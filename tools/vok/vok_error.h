#pragma once

#include <stdexcept>

namespace vok {

// A failure to report to the user as "vok: <message>". The message is UTF-8
// and names the file or entry concerned.
class VokError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vok
