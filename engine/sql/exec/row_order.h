// The order of sorted results: Nulls first, then Jet's comparison (text in the
// General sort order, without regard to case), reversed for descending keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/value.h"

namespace jet::sql {

// <0, 0, >0. Throws jet::Error for values that cannot be compared (text with binary data).
int compareForSort(const Value& a, const Value& b);

// Compares two lists of key values, key by key, each ascending or not.
int compareKeys(std::span<const Value> a, std::span<const Value> b, const std::vector<bool>& descending);

// A key value with what sorting needs made once: a text's sort key, so a sort
// of many rows compares bytes instead of working the order out each time.
struct SortValue {
  Value value;
  std::string textKey;  // for text: its sort key
};
SortValue sortValue(Value v);
int compareSortValues(const SortValue& a, const SortValue& b);
int compareSortKeys(std::span<const SortValue> a, std::span<const SortValue> b, const std::vector<bool>& descending);

// Appends a byte string whose order (unsigned bytes, shorter first) is the
// sort order of the value among values of its class: Nulls first, then
// numbers and dates by value, or texts by their sort keys and then their
// letters without regard to case; `descending` turns the order around.
// False for values that cannot be put so (binary data, GUIDs); a sort of
// values of different classes compares the values instead.
bool appendNormalizedKey(const SortValue& v, bool descending, std::string& out);
// The class appendNormalizedKey puts a value in: 0 Null, 1 number or date, 2 text.
int normalizedClass(const Value& v);

}  // namespace jet::sql
