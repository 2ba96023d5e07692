// The error an action raises.
#include "support/error_of.h"

#include <gtest/gtest.h>

namespace qbtest {

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const jet::Error& e) {
    return e.what();
  }
  return "(no error)";
}

jet::Error raisedError(const std::function<void()>& action) {
  try {
    action();
  } catch (const jet::Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error was raised";
  return jet::Error(jet::ErrorCode::InvalidArgument, "(no error)");
}

}  // namespace qbtest
