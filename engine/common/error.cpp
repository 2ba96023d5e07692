// Names of the engine's error codes.
#include "jet/error.h"

namespace jet {

const char* errorCodeName(ErrorCode code) noexcept {
  switch (code) {
    case ErrorCode::Corruption: return "Corruption";
    case ErrorCode::NotFound: return "NotFound";
    case ErrorCode::InvalidArgument: return "InvalidArgument";
    case ErrorCode::Io: return "Io";
    case ErrorCode::Constraint: return "Constraint";
    case ErrorCode::ReadOnly: return "ReadOnly";
    case ErrorCode::Syntax: return "Syntax";
    case ErrorCode::Unsupported: return "Unsupported";
    case ErrorCode::Busy: return "Busy";
  }
  return "Unknown";
}

}  // namespace jet
