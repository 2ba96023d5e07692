// The error an action raises, for tests of refusals.
#pragma once

#include <functional>
#include <string>

#include "jet/error.h"

namespace qbtest {

// The message of the jet::Error that `action` raises, or "(no error)".
std::string errorOf(const std::function<void()>& action);

// The jet::Error that `action` raises; a test failure when it raises none.
jet::Error raisedError(const std::function<void()>& action);

}  // namespace qbtest
