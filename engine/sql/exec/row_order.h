// The order of sorted results: Nulls first, then Jet's comparison (text in the
// General sort order, without regard to case), reversed for descending keys.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "jet/value.h"

namespace jet::sql {

// <0, 0, >0. Throws jet::Error for values that cannot be compared (text with binary data).
int compareForSort(const Value& a, const Value& b);

// Compares two lists of key values, key by key, each ascending or not.
int compareKeys(std::span<const Value> a, std::span<const Value> b, const std::vector<bool>& descending);

}  // namespace jet::sql
