// Aggregate functions: the running state of one aggregate over one group and
// its result. Nulls are left out (Count(*) counts every row; First and Last
// take the first and last row's value as it is, Null included). Sums of
// Currency are exact; other sums and averages are in Double, as Jet keeps them.
#pragma once

#include <cstdint>

#include "jet/value.h"
#include "sql/plan/logical_plan.h"

namespace jet::sql {

class AggregateState {
 public:
  // Throws ValueError for a value the aggregate cannot take (text that is not a number for Sum).
  void add(AggregateKind kind, const Value& v);
  Value result(AggregateKind kind, ValueKind resultKind) const;

 private:
  __extension__ using Int128 = __int128;
  std::int64_t count_ = 0;
  double sum_ = 0;
  double mean_ = 0;
  double m2_ = 0;
  Int128 units_ = 0;  // exact sum of Currency
  Value value_;       // Min, Max, First, Last; the sum of Decimal values
  bool seen_ = false;
  bool exact_ = false;  // the sum is kept in units_ / value_
};

}  // namespace jet::sql
