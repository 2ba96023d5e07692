// Values for writes: the one cast of the value layer, then the checks a column
// makes of its own.
#include "table/column_value.h"

#include <cmath>
#include <optional>

#include "jet/error.h"
#include "value/decimal_math.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet {

namespace {

// Longest value a long-value field can hold, in bytes.
constexpr std::size_t kLongValueMaxBytes = 0x3FFFFFFF;

// Values of the engine API are text in ISO forms; Yes/No words are Booleans.
const CastRules kWriteRules{&TextLocale::iso(), false, true};

// Why a value does not convert, as the refusal says it.
const char* reasonFor(CastFailure failure) {
  switch (failure) {
    case CastFailure::NotANumber: return "it is not a number";
    case CastFailure::NotFinite: return "it is not a finite number";
    case CastFailure::OutOfRange: return "it is out of range";
    case CastFailure::NotADate: return "it is not a date (write it as YYYY-MM-DD or YYYY-MM-DD HH:MM:SS)";
    case CastFailure::DateOutOfRange: return "it lies outside the dates a field can hold (years 100 to 9999)";
    case CastFailure::NotBoolean: return "it is not a Yes/No value";
    case CastFailure::NotAGuid: return "it is not a GUID ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})";
    case CastFailure::NotBinary: return "it is not binary data";
    case CastFailure::None: break;
  }
  return "it does not convert";
}

// The column's own rules for a value of its kind; an empty reason when it keeps it.
std::string columnRefusal(Value& v, const ColumnDef& c) {
  switch (v.kind()) {
    case ValueKind::Single:
      if (!std::isfinite(v.asSingle())) return "it is not a finite number";
      break;
    case ValueKind::Double:
      if (!std::isfinite(v.asDouble())) return "it is not a finite number";
      break;
    case ValueKind::DateTime:
      if (!isDateInRange(v.asDateTime().days)) return reasonFor(CastFailure::DateOutOfRange);
      break;
    case ValueKind::Decimal: {
      std::optional<Decimal> d;
      try {
        d = rescaleDecimal(v.asDecimal(), c.scale);
      } catch (const ValueError&) {
        // more digits than any precision
      }
      if (!d || (d->magnitude != 0 && d->digitCount() > c.precision)) {
        return "it has more digits than the field's precision of " + std::to_string(c.precision) + " (scale " +
               std::to_string(c.scale) + ") allows";
      }
      v = Value::decimal(*d);
      break;
    }
    default: break;
  }
  return {};
}

void checkLength(const Value& v, const ColumnDef& c, const std::string& where) {
  const DataTypeFacts& facts = factsOf(c.type);
  std::size_t size = 0;
  std::size_t limit = 0;
  const char* unit = "bytes";
  if (v.kind() == ValueKind::Text) {
    size = v.asText().size();
    limit = facts.longValue ? kLongValueMaxBytes / c.characterSize : (c.length == 0 ? 255 : c.definedSize());
    unit = "characters";
  } else if (v.kind() == ValueKind::Binary) {
    size = v.asBinary().size();
    limit = facts.longValue ? kLongValueMaxBytes : c.length;
  } else {
    return;
  }
  if (size > limit) {
    throw Error(ErrorCode::InvalidArgument, "The value for " + where + " is " + std::to_string(size) + " " + unit +
                                                " long; the field holds at most " + std::to_string(limit));
  }
}

}  // namespace

Value convertToColumn(const Value& value, const ColumnDef& column, const std::string& where) {
  if (value.isNull()) return column.type == DataType::Boolean ? Value::boolean(false) : Value();
  const ValueKind kind = factsOf(column.type).kind;
  std::string reason;
  CastResult r;
  if (kind == ValueKind::Text && value.kind() == ValueKind::Binary) {
    reason = "binary data is not text";
  } else {
    r = tryCast(value, kind, kWriteRules);
    reason = r.failure != CastFailure::None ? reasonFor(r.failure) : columnRefusal(r.value, column);
  }
  if (!reason.empty()) {
    throw Error(ErrorCode::InvalidArgument, "Cannot store " + quotedValue(value) + " in " + where + " (" +
                                                dataTypeName(column.type) + "): " + reason);
  }
  checkLength(r.value, column, where);
  return std::move(r.value);
}

}  // namespace jet
