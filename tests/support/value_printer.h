// Readable test failure output for engine values (GoogleTest finds PrintTo
// through argument-dependent lookup). Include it in every test that compares
// jet::Value objects.
#pragma once

#include <ostream>

#include "jet/value.h"

namespace jet {

void PrintTo(const Value& value, std::ostream* out);

}  // namespace jet
