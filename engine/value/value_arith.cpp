// The arithmetic and text operators, with Jet's result types: the operand of
// higher rank decides the type, integer results that overflow widen (Byte ->
// Integer -> Long -> Double), Currency and Decimal results that overflow fail.
#include "value/value_ops.h"

#include <cmath>
#include <limits>

#include "value/decimal_math.h"
#include "value/value_error.h"

namespace jet {

namespace {

__extension__ using Int128 = __int128;

// Numeric ranks in the order + and - rank them (Currency above Double).
enum class Rank : std::uint8_t { Byte, Integer, Long, Single, Double, Currency, Decimal };

struct Operand {
  Rank rank = Rank::Double;
  bool date = false;
  const Value* original = nullptr;
  Value converted;  // text read as a number
  const Value& value() const { return converted.isNull() ? *original : converted; }
};

Operand operandOf(const Value& v) {
  Operand o;
  o.original = &v;
  switch (v.kind()) {
    case ValueKind::Boolean:
    case ValueKind::Integer: o.rank = Rank::Integer; break;
    case ValueKind::Byte: o.rank = Rank::Byte; break;
    case ValueKind::Long: o.rank = Rank::Long; break;
    case ValueKind::Currency: o.rank = Rank::Currency; break;
    case ValueKind::Single: o.rank = Rank::Single; break;
    case ValueKind::Double: o.rank = Rank::Double; break;
    case ValueKind::Decimal: o.rank = Rank::Decimal; break;
    case ValueKind::DateTime: o.date = true; break;
    case ValueKind::Text:
      o.converted = Value::dbl(toDouble(v));
      break;
    default: throw ValueError("Data type mismatch: " + describeValue(v) + " is not a number");
  }
  return o;
}

bool isWhole(Rank r) { return r <= Rank::Long; }

// The smallest of Byte, Integer, Long holding n at or above `rank`, else Double.
Value fitWhole(Int128 n, Rank rank) {
  if (rank == Rank::Byte && n >= 0 && n <= 255) return Value::byte(static_cast<std::uint8_t>(n));
  if (rank <= Rank::Integer && n >= INT16_MIN && n <= INT16_MAX) return Value::integer(static_cast<std::int16_t>(n));
  if (n >= INT32_MIN && n <= INT32_MAX) return Value::longInt(static_cast<std::int32_t>(n));
  return Value::dbl(static_cast<double>(n));
}

Value checkedDouble(double d) {
  if (!std::isfinite(d)) throw ValueError("Overflow");
  return Value::dbl(d);
}

Value checkedSingle(double d) {
  if (!std::isfinite(d)) throw ValueError("Overflow");
  if (std::fabs(d) > std::numeric_limits<float>::max()) return Value::dbl(d);  // widens like the integers
  return Value::single(static_cast<float>(d));
}

Currency currencyOf(const Value& v) { return castTo(v, ValueKind::Currency).asCurrency(); }
Decimal decimalOf(const Value& v) { return castTo(v, ValueKind::Decimal).asDecimal(); }

Value currencyResult(Int128 units) {
  if (units < std::numeric_limits<std::int64_t>::min() || units > std::numeric_limits<std::int64_t>::max()) {
    throw ValueError("Overflow");
  }
  return Value::currency(Currency{static_cast<std::int64_t>(units)});
}

// Units of a * b with both in 1/10 000, rounded half to even.
Int128 multiplyUnits(Int128 a, Int128 b) {
  const Int128 p = a * b;
  Int128 q = p / 10000;
  const Int128 r = p % 10000;
  const Int128 absR = r < 0 ? -r : r;
  if (absR > 5000 || (absR == 5000 && (q % 2 != 0))) q += p < 0 ? -1 : 1;
  return q;
}

Value addSubtractMultiply(BinaryOp op, const Operand& x, const Operand& y) {
  Rank rank = std::max(x.rank, y.rank);
  if (op == BinaryOp::Multiply) {
    // Multiplication ranks Double above Currency.
    if ((x.rank == Rank::Double && y.rank == Rank::Currency) || (x.rank == Rank::Currency && y.rank == Rank::Double)) {
      rank = Rank::Double;
    }
  }
  if ((x.rank == Rank::Single && y.rank == Rank::Long) || (x.rank == Rank::Long && y.rank == Rank::Single)) {
    rank = Rank::Double;
  }
  const Value& a = x.value();
  const Value& b = y.value();
  switch (rank) {
    case Rank::Byte:
    case Rank::Integer:
    case Rank::Long: {
      const Int128 l = toWholeNumber(a), r = toWholeNumber(b);
      const Int128 n = op == BinaryOp::Add ? l + r : op == BinaryOp::Subtract ? l - r : l * r;
      return fitWhole(n, rank);
    }
    case Rank::Single:
    case Rank::Double: {
      const double l = toDouble(a), r = toDouble(b);
      const double n = op == BinaryOp::Add ? l + r : op == BinaryOp::Subtract ? l - r : l * r;
      return rank == Rank::Single ? checkedSingle(n) : checkedDouble(n);
    }
    case Rank::Currency: {
      const Int128 l = currencyOf(a).units, r = currencyOf(b).units;
      if (op == BinaryOp::Add) return currencyResult(l + r);
      if (op == BinaryOp::Subtract) return currencyResult(l - r);
      return currencyResult(multiplyUnits(l, r));
    }
    case Rank::Decimal: {
      const Decimal l = decimalOf(a), r = decimalOf(b);
      if (op == BinaryOp::Add) return Value::decimal(addDecimal(l, r));
      if (op == BinaryOp::Subtract) return Value::decimal(subtractDecimal(l, r));
      return Value::decimal(multiplyDecimal(l, r));
    }
  }
  return Value();
}

Value dateResult(double days) {
  if (!std::isfinite(days) || !isDateInRange(days)) throw ValueError("Overflow");
  return Value::dateTime(DateTime{days});
}

// \ and Mod: both operands rounded to whole numbers first.
Value wholeDivision(BinaryOp op, const Operand& x, const Operand& y) {
  const Rank rank = std::max(isWhole(x.rank) && !x.date ? x.rank : Rank::Long, isWhole(y.rank) && !y.date ? y.rank : Rank::Long);
  const Int128 l = toWholeNumber(x.value()), r = toWholeNumber(y.value());
  if (r == 0) throw ValueError("Division by zero");
  return fitWhole(op == BinaryOp::IntDivide ? l / r : l % r, rank);
}

}  // namespace

Value arithmetic(BinaryOp op, const Value& a, const Value& b) {
  if (op == BinaryOp::Concat) {
    if (a.isNull() && b.isNull()) return Value();
    std::u16string joined = toText(a);
    const std::u16string tail = toText(b);
    checkTextLength(joined.size() + tail.size());
    return Value::text(joined.append(tail));
  }
  if (a.isNull() || b.isNull()) return Value();
  if (op == BinaryOp::Add && a.kind() == ValueKind::Text && b.kind() == ValueKind::Text) {
    checkTextLength(a.asText().size() + b.asText().size());
    return Value::text(a.asText() + b.asText());
  }
  const Operand x = operandOf(a);
  const Operand y = operandOf(b);
  switch (op) {
    case BinaryOp::Add:
    case BinaryOp::Subtract:
      if (x.date || y.date) {
        const double l = toDouble(a), r = toDouble(b);
        if (op == BinaryOp::Add) return dateResult(l + r);
        if (x.date && y.date) return checkedDouble(l - r);
        return dateResult(l - r);
      }
      return addSubtractMultiply(op, x, y);
    case BinaryOp::Multiply:
      if (x.date || y.date) return checkedDouble(toDouble(a) * toDouble(b));
      return addSubtractMultiply(op, x, y);
    case BinaryOp::Divide: {
      if (x.rank == Rank::Decimal || y.rank == Rank::Decimal) {
        return Value::decimal(divideDecimal(decimalOf(a), decimalOf(b)));
      }
      const double r = toDouble(b);
      if (r == 0) throw ValueError("Division by zero");
      return checkedDouble(toDouble(a) / r);
    }
    case BinaryOp::IntDivide:
    case BinaryOp::Mod: return wholeDivision(op, x, y);
    case BinaryOp::Power: {
      const double l = toDouble(a), r = toDouble(b);
      if (l < 0 && r != std::trunc(r)) throw ValueError("Invalid procedure call or argument");
      if (l == 0 && r < 0) throw ValueError("Division by zero");
      return checkedDouble(std::pow(l, r));
    }
    default: break;
  }
  throw ValueError(std::string("Operator ") + binaryOpText(op) + " is not arithmetic");
}

Value negate(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return Value();
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Integer: return fitWhole(-static_cast<Int128>(toWholeNumber(v)), Rank::Integer);
    case ValueKind::Long: return fitWhole(-static_cast<Int128>(v.asLong()), Rank::Long);
    case ValueKind::Currency: return currencyResult(-static_cast<Int128>(v.asCurrency().units));
    case ValueKind::Single: return Value::single(-v.asSingle());
    case ValueKind::Decimal: return Value::decimal(negateDecimal(v.asDecimal()));
    case ValueKind::DateTime: return dateResult(-v.asDateTime().days);
    default: return checkedDouble(-toDouble(v));
  }
}

}  // namespace jet
