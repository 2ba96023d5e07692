// Aggregate functions: the running state of one aggregate over one group and
// its result. Nulls are left out (Count(*) counts every row; First and Last
// take the first and last row's value as it is, Null included). Sums of
// Currency are exact; other sums and averages are in Double, as Jet keeps them.
//
// A state is small (64 bytes) because a grouping keeps one per group and
// aggregate: values are held (for Min, Max, First, Last and Decimal sums)
// outside it, made when first needed.
#pragma once

#include <cstdint>
#include <memory>

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
  Value& held();

  Int128 units_ = 0;  // exact sum of Currency
  std::int64_t count_ = 0;
  double sum_ = 0;  // the sum; the running mean for the variances
  double m2_ = 0;
  std::unique_ptr<Value> value_;  // Min, Max, First, Last; the sum of Decimal values
  bool seen_ = false;
  bool exact_ = false;  // the sum is kept in units_ / value_
};

}  // namespace jet::sql
