#include "job_platform.h"

#include <utility>

namespace vok {

PlatformError::PlatformError(std::string operation, std::string fileName, std::string systemText)
    : std::runtime_error("Could not " + operation + " \"" + fileName + "\": " + systemText),
      operation_(std::move(operation)),
      fileName_(std::move(fileName)),
      systemText_(std::move(systemText)) {}

}  // namespace vok
