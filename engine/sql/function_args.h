// Argument helpers shared by the function tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "jet/value.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet::sql {

[[noreturn]] inline void invalidCall() { throw ValueError("Invalid procedure call or argument"); }

inline void requireValue(const Value& v) {
  if (v.isNull()) throw ValueError("Invalid use of Null");
}

// A whole-number argument (rounded half to even), Null not allowed.
inline std::int64_t longArg(const Value& v) {
  requireValue(v);
  return toWholeNumber(v);
}

// A count or length argument: a whole number of at least 0.
inline std::size_t countArg(const Value& v) {
  const std::int64_t n = longArg(v);
  if (n < 0) invalidCall();
  return static_cast<std::size_t>(n);
}

// A text argument; numbers and dates in their text form.
inline std::u16string textArg(const Value& v) { return v.kind() == ValueKind::Text ? v.asText() : toText(v); }

// An optional argument given and not Null.
inline bool given(std::span<const Value> args, std::size_t i) { return i < args.size() && !args[i].isNull(); }

}  // namespace jet::sql
