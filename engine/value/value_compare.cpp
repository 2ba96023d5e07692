// Comparison of values and three-valued logic.
#include <cmath>

#include "jet/collation.h"
#include "jet/text.h"
#include "value/date_text.h"
#include "value/decimal_math.h"
#include "value/number_text.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet {

namespace {

__extension__ using Int128 = __int128;

template <typename T>
int order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

bool isNumeric(ValueKind k) { return isNumberKind(k) || k == ValueKind::Boolean || k == ValueKind::DateTime; }
bool isWholeKind(ValueKind k) { return isIntegerKind(k) || k == ValueKind::Boolean; }

int compareNumbers(const Value& a, const Value& b) {
  const ValueKind ka = a.kind(), kb = b.kind();
  if (isWholeKind(ka) && isWholeKind(kb)) return order(toWholeNumber(a), toWholeNumber(b));
  const bool aFloat = ka == ValueKind::Single || ka == ValueKind::Double || ka == ValueKind::DateTime;
  const bool bFloat = kb == ValueKind::Single || kb == ValueKind::Double || kb == ValueKind::DateTime;
  if (!aFloat && !bFloat) {
    if (ka == ValueKind::Decimal || kb == ValueKind::Decimal) {
      return compareDecimal(castTo(a, ValueKind::Decimal).asDecimal(), castTo(b, ValueKind::Decimal).asDecimal());
    }
    // Currency with Currency or a whole number: exact in 1/10 000 units.
    auto units = [](const Value& v) -> Int128 {
      return v.kind() == ValueKind::Currency ? Int128{v.asCurrency().units} : Int128{toWholeNumber(v)} * 10000;
    };
    return order(units(a), units(b));
  }
  return order(toDouble(a), toDouble(b));
}

// Text against a number, date or Boolean: the text read as one; text that is not
// orders after every number.
int compareTextWith(std::u16string_view text, const Value& other) {
  std::optional<Value> read;
  if (other.kind() == ValueKind::DateTime) {
    if (auto d = parseDateText(text, DateOrder::MonthDayYear, std::nullopt)) read = Value::dateTime(*d);
  } else if (other.kind() == ValueKind::Boolean) {
    if (equalNamesNoCase(text, u"True")) read = Value::boolean(true);
    if (equalNamesNoCase(text, u"False")) read = Value::boolean(false);
  }
  if (!read) {
    if (auto n = parseNumberText(text)) read = Value::dbl(*n);
  }
  if (!read) return 1;
  return compareNumbers(*read, other);
}

}  // namespace

// The one place text order is decided.
// Text orders as a General text index sorts it (case-insensitive, accents after
// their base letter). Texts that the index order cannot tell apart (trailing
// spaces, characters past the 255th) are ordered by a plain case-insensitive
// comparison, so that only texts equal without regard to case compare equal.
int compareText(std::u16string_view a, std::u16string_view b) {
  const int r = compareTextAsIndexed(a, b);
  return r != 0 ? r : compareNamesNoCase(a, b);
}

bool equalText(std::u16string_view a, std::u16string_view b) { return equalNamesNoCase(a, b); }

std::optional<int> compareValues(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return std::nullopt;
  const ValueKind ka = a.kind(), kb = b.kind();
  if (ka == kb) {
    // The common case of a filter (column and literal of the column's type), without conversions.
    switch (ka) {
      case ValueKind::Long: return order(a.asLong(), b.asLong());
      case ValueKind::Integer: return order(a.asInteger(), b.asInteger());
      case ValueKind::Byte: return order(a.asByte(), b.asByte());
      case ValueKind::Double: return order(a.asDouble(), b.asDouble());
      case ValueKind::Single: return order(a.asSingle(), b.asSingle());
      case ValueKind::Currency: return order(a.asCurrency().units, b.asCurrency().units);
      case ValueKind::DateTime: return order(a.asDateTime().days, b.asDateTime().days);
      case ValueKind::Boolean: return order(b.asBoolean(), a.asBoolean());  // True is -1
      case ValueKind::Text: return compareText(a.asText(), b.asText());
      default: break;
    }
  }
  if (ka == ValueKind::Text && kb == ValueKind::Text) return compareText(a.asText(), b.asText());
  if (isNumeric(ka) && isNumeric(kb)) return compareNumbers(a, b);
  if (ka == ValueKind::Text && isNumeric(kb)) return compareTextWith(a.asText(), b);
  if (kb == ValueKind::Text && isNumeric(ka)) return -compareTextWith(b.asText(), a);
  if (ka == ValueKind::Guid && kb == ValueKind::Guid) return order(a.asGuid(), b.asGuid());
  if (ka == ValueKind::Guid && kb == ValueKind::Text) return compareText(toText(a), b.asText());
  if (ka == ValueKind::Text && kb == ValueKind::Guid) return compareText(a.asText(), toText(b));
  if (ka == ValueKind::Binary && kb == ValueKind::Binary) return order(a.asBinary(), b.asBinary());
  throw ValueError("Data type mismatch: cannot compare " + describeValue(a) + " with " + describeValue(b));
}

Tri applyComparison(BinaryOp op, int c) {
  switch (op) {
    case BinaryOp::Eq: return triOf(c == 0);
    case BinaryOp::Ne: return triOf(c != 0);
    case BinaryOp::Lt: return triOf(c < 0);
    case BinaryOp::Gt: return triOf(c > 0);
    case BinaryOp::Le: return triOf(c <= 0);
    case BinaryOp::Ge: return triOf(c >= 0);
    default: return Tri::Null;
  }
}

Tri compare(BinaryOp op, const Value& a, const Value& b) {
  const auto c = compareValues(a, b);
  return c ? applyComparison(op, *c) : Tri::Null;
}

Tri logical(BinaryOp op, Tri a, Tri b) {
  constexpr Tri F = Tri::False, T = Tri::True, N = Tri::Null;
  switch (op) {
    case BinaryOp::And:
      if (a == F || b == F) return F;
      return (a == N || b == N) ? N : T;
    case BinaryOp::Or:
      if (a == T || b == T) return T;
      return (a == N || b == N) ? N : F;
    case BinaryOp::Xor:
      if (a == N || b == N) return N;
      return triOf(a != b);
    case BinaryOp::Eqv:
      if (a == N || b == N) return N;
      return triOf(a == b);
    case BinaryOp::Imp:
      // a Imp b is (Not a) Or b.
      if (a == F || b == T) return T;
      if (a == T && b == F) return F;
      return N;
    default: return N;
  }
}

}  // namespace jet
