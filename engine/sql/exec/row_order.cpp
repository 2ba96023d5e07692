// Sort order of values and of key lists.
#include "sql/exec/row_order.h"

#include "jet/error.h"
#include "sql/value_error.h"
#include "sql/value_ops.h"

namespace jet::sql {

int compareForSort(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() ? (b.isNull() ? 0 : -1) : 1;
  try {
    return *compareValues(a, b);
  } catch (const ValueError& e) {
    throw Error(ErrorCode::InvalidArgument, std::string("Cannot sort: ") + e.what());
  }
}

int compareKeys(std::span<const Value> a, std::span<const Value> b, const std::vector<bool>& descending) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int c = compareForSort(a[i], b[i]);
    if (c != 0) return i < descending.size() && descending[i] ? -c : c;
  }
  return 0;
}

}  // namespace jet::sql
