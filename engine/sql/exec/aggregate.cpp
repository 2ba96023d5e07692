// Aggregate states: counting, exact and floating sums, extremes, first and
// last, and Welford's running variance.
#include "sql/exec/aggregate.h"

#include <cmath>
#include <limits>

#include "value/decimal_math.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet::sql {

Value& AggregateState::held() {
  if (!value_) value_ = std::make_unique<Value>();
  return *value_;
}

void AggregateState::add(AggregateKind kind, const Value& v) {
  switch (kind) {
    case AggregateKind::CountStar: ++count_; return;
    case AggregateKind::Count:
      if (!v.isNull()) ++count_;
      return;
    case AggregateKind::Sum:
    case AggregateKind::Avg:
      if (v.isNull()) return;
      ++count_;
      if (v.kind() == ValueKind::Currency) {
        exact_ = true;
        units_ += v.asCurrency().units;
        sum_ += static_cast<double>(v.asCurrency().units) / 10000.0;
      } else if (v.kind() == ValueKind::Decimal) {
        exact_ = true;
        Value& sum = held();
        sum = sum.isNull() ? v : arithmetic(BinaryOp::Add, sum, v);
        sum_ += toDouble(v);
      } else {
        sum_ += toDouble(v);
      }
      return;
    case AggregateKind::Min:
    case AggregateKind::Max: {
      if (v.isNull()) return;
      if (!seen_) {
        held() = v;
        seen_ = true;
        return;
      }
      const auto c = compareValues(v, *value_);
      if (c && (kind == AggregateKind::Min ? *c < 0 : *c > 0)) *value_ = v;
      return;
    }
    case AggregateKind::First:
      if (!seen_) {
        held() = v;
        seen_ = true;
      }
      return;
    case AggregateKind::Last:
      held() = v;
      seen_ = true;
      return;
    case AggregateKind::StDev:
    case AggregateKind::StDevP:
    case AggregateKind::Var:
    case AggregateKind::VarP: {
      if (v.isNull()) return;
      const double x = toDouble(v);
      ++count_;
      const double d = x - sum_;
      sum_ += d / static_cast<double>(count_);
      m2_ += d * (x - sum_);
      return;
    }
  }
}

Value AggregateState::result(AggregateKind kind, ValueKind resultKind) const {
  switch (kind) {
    case AggregateKind::CountStar:
    case AggregateKind::Count:
      if (count_ > std::numeric_limits<std::int32_t>::max()) return Value::dbl(static_cast<double>(count_));
      return Value::longInt(static_cast<std::int32_t>(count_));
    case AggregateKind::Sum:
    case AggregateKind::Avg: {
      if (count_ == 0) return Value();
      const bool avg = kind == AggregateKind::Avg;
      const bool decimalSum = value_ && !value_->isNull();
      if (resultKind == ValueKind::Currency && exact_ && !decimalSum) {
        Int128 units = units_;
        if (avg) {
          // Rounded half to even to the 1/10 000.
          const Int128 n = count_;
          Int128 q = units / n, r = units % n;
          if (r < 0) {
            r += n;
            --q;
          }
          if (2 * r > n || (2 * r == n && (q & 1) != 0)) ++q;
          units = q;
        }
        if (units > std::numeric_limits<std::int64_t>::max() || units < std::numeric_limits<std::int64_t>::min()) {
          throw ValueError("Overflow");
        }
        return Value::currency(Currency{static_cast<std::int64_t>(units)});
      }
      if (resultKind == ValueKind::Decimal && exact_ && decimalSum) {
        return avg ? arithmetic(BinaryOp::Divide, *value_, Value::longInt(static_cast<std::int32_t>(count_))) : *value_;
      }
      const double r = avg ? sum_ / static_cast<double>(count_) : sum_;
      return resultKind == ValueKind::Double ? Value::dbl(r) : castTo(Value::dbl(r), resultKind);
    }
    case AggregateKind::Min:
    case AggregateKind::Max:
    case AggregateKind::First:
    case AggregateKind::Last: return value_ ? *value_ : Value();
    case AggregateKind::Var:
    case AggregateKind::StDev: {
      if (count_ < 2) return Value();
      const double var = m2_ / static_cast<double>(count_ - 1);
      return Value::dbl(kind == AggregateKind::Var ? var : std::sqrt(var));
    }
    case AggregateKind::VarP:
    case AggregateKind::StDevP: {
      if (count_ < 1) return Value();
      const double var = m2_ / static_cast<double>(count_);
      return Value::dbl(kind == AggregateKind::VarP ? var : std::sqrt(var));
    }
  }
  return Value();
}

}  // namespace jet::sql
