// The failure of an operation on values (type mismatch, overflow, division by
// zero, a bad function argument). Thrown by the value operations, which do not
// know where in a text they were called from; the evaluation node that ran the
// operation turns it into a jet::Error that says where.
#pragma once

#include <stdexcept>
#include <string>

#include "jet/error.h"

namespace jet {

class ValueError : public std::runtime_error {
 public:
  explicit ValueError(const std::string& message, ErrorCode code = ErrorCode::InvalidArgument)
      : std::runtime_error(message), code_(code) {}
  ErrorCode code() const noexcept { return code_; }

 private:
  ErrorCode code_;
};

}  // namespace jet
