// The engine's release number.
#include "jet/version.h"

namespace jet {

const char* engineVersion() noexcept {
  return "4.0.1";
}

}  // namespace jet
