// Conversions between value types, with Jet's rounding and range rules.
#include "value/value_ops.h"

#include <cmath>
#include <limits>

#include "jet/text.h"
#include "value/date_text.h"
#include "value/decimal_math.h"
#include "value/number_text.h"
#include "value/value_error.h"

namespace jet::sql {

namespace {

__extension__ using U128 = unsigned __int128;

constexpr double kMinDate = -657434.0;  // 100-01-01
constexpr double kMaxDate = 2958466.0;  // 10000-01-01, exclusive

std::u16string ascii(const std::string& s) { return fromUtf8(s); }

std::u16string_view trimBlanks(std::u16string_view t) {
  while (!t.empty() && (t.front() == u' ' || t.front() == u'\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == u' ' || t.back() == u'\t')) t.remove_suffix(1);
  return t;
}

std::optional<bool> booleanWord(std::u16string_view t) {
  t = trimBlanks(t);
  for (auto w : {u"True", u"Yes", u"On"}) {
    if (equalNamesNoCase(t, w)) return true;
  }
  for (auto w : {u"False", u"No", u"Off"}) {
    if (equalNamesNoCase(t, w)) return false;
  }
  return std::nullopt;
}

[[noreturn]] void mismatch(const Value& v, const char* wanted) {
  throw ValueError("Data type mismatch: " + describeValue(v) + " is not " + wanted);
}

double roundHalfEven(double x) { return std::nearbyint(x); }  // the default rounding mode is to even

// Through the double's 15 significant digits, so large amounts keep their last units.
Currency currencyFromDouble(double d) { return decimalToCurrency(decimalFromDouble(d)); }

Decimal toDecimal(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Decimal: return v.asDecimal();
    case ValueKind::Currency: return decimalFromCurrency(v.asCurrency());
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long: return decimalFromInteger(toWholeNumber(v));
    case ValueKind::Text: {
      auto d = parseDecimalText(v.asText());
      if (d) return *d;
      return decimalFromDouble(toDouble(v));
    }
    default: return decimalFromDouble(toDouble(v));
  }
}

Currency toCurrency(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Currency: return v.asCurrency();
    case ValueKind::Decimal: return decimalToCurrency(v.asDecimal());
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long: return Currency{toWholeNumber(v) * 10000};
    case ValueKind::Text:
      if (auto d = parseDecimalText(v.asText())) return decimalToCurrency(*d);
      return currencyFromDouble(toDouble(v));
    default: return currencyFromDouble(toDouble(v));
  }
}

}  // namespace

Value valueOf(Tri t) { return t == Tri::Null ? Value() : Value::boolean(t == Tri::True); }

ValueKind kindOf(DataType type) noexcept {
  switch (type) {
    case DataType::Boolean: return ValueKind::Boolean;
    case DataType::Byte: return ValueKind::Byte;
    case DataType::Integer: return ValueKind::Integer;
    case DataType::Long: return ValueKind::Long;
    case DataType::Currency: return ValueKind::Currency;
    case DataType::Single: return ValueKind::Single;
    case DataType::Double: return ValueKind::Double;
    case DataType::DateTime: return ValueKind::DateTime;
    case DataType::Text:
    case DataType::Memo: return ValueKind::Text;
    case DataType::Guid: return ValueKind::Guid;
    case DataType::Numeric: return ValueKind::Decimal;
    default: return ValueKind::Binary;
  }
}

bool isNumberKind(ValueKind k) noexcept {
  switch (k) {
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long:
    case ValueKind::Currency:
    case ValueKind::Single:
    case ValueKind::Double:
    case ValueKind::Decimal: return true;
    default: return false;
  }
}

bool isIntegerKind(ValueKind k) noexcept {
  return k == ValueKind::Byte || k == ValueKind::Integer || k == ValueKind::Long;
}

void checkTextLength(std::size_t length) {
  if (length > kMaxTextLength) throw ValueError("Out of string space");
}

bool isDateInRange(double days) { return days >= kMinDate && days < kMaxDate; }

std::string describeValue(const Value& v) {
  if (v.isNull()) return "Null";
  std::string text = toUtf8(toText(v));
  if (v.kind() == ValueKind::Text || v.kind() == ValueKind::DateTime) text = "'" + text + "'";
  return std::string(valueKindName(v.kind())) + " " + text;
}

double toDouble(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Boolean: return v.asBoolean() ? -1.0 : 0.0;
    case ValueKind::Byte: return v.asByte();
    case ValueKind::Integer: return v.asInteger();
    case ValueKind::Long: return v.asLong();
    case ValueKind::Currency: return static_cast<double>(v.asCurrency().units) / 10000.0;
    case ValueKind::Single: return v.asSingle();
    case ValueKind::Double: return v.asDouble();
    case ValueKind::DateTime: return v.asDateTime().days;
    case ValueKind::Decimal: return decimalToDouble(v.asDecimal());
    case ValueKind::Text:
      if (auto d = parseNumberText(v.asText())) return *d;
      mismatch(v, "a number");
    case ValueKind::Null: throw ValueError("Invalid use of Null");
    default: mismatch(v, "a number");
  }
}

std::int64_t toWholeNumber(const Value& v, bool wide) {
  std::int64_t result = 0;
  switch (v.kind()) {
    case ValueKind::Boolean: return v.asBoolean() ? -1 : 0;
    case ValueKind::Byte: return v.asByte();
    case ValueKind::Integer: return v.asInteger();
    case ValueKind::Long: return v.asLong();
    case ValueKind::Currency: {
      const Decimal d = roundDecimal(decimalFromCurrency(v.asCurrency()), 0, Rounding::HalfEven);
      result = static_cast<std::int64_t>(d.magnitude);
      if (d.negative) result = -result;
      break;
    }
    case ValueKind::Decimal: {
      const Decimal d = roundDecimal(v.asDecimal(), 0, Rounding::HalfEven);
      if (d.magnitude > static_cast<U128>(std::numeric_limits<std::int64_t>::max())) {
        throw ValueError("Overflow");
      }
      result = static_cast<std::int64_t>(d.magnitude);
      if (d.negative) result = -result;
      break;
    }
    default: {
      const double d = roundHalfEven(toDouble(v));
      if (!(d >= -9.2e18 && d <= 9.2e18)) throw ValueError("Overflow");
      result = static_cast<std::int64_t>(d);
      break;
    }
  }
  if (!wide && (result < std::numeric_limits<std::int32_t>::min() || result > std::numeric_limits<std::int32_t>::max())) {
    throw ValueError("Overflow");
  }
  return result;
}

std::u16string toText(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return {};
    case ValueKind::Boolean: return v.asBoolean() ? u"True" : u"False";
    case ValueKind::Byte: return ascii(std::to_string(v.asByte()));
    case ValueKind::Integer: return ascii(std::to_string(v.asInteger()));
    case ValueKind::Long: return ascii(std::to_string(v.asLong()));
    case ValueKind::Currency: return ascii(formatCurrency(v.asCurrency()));
    case ValueKind::Single: return ascii(formatSingle(v.asSingle()));
    case ValueKind::Double: return ascii(formatDouble(v.asDouble()));
    case ValueKind::DateTime: return ascii(formatDateTime(v.asDateTime()));
    case ValueKind::Text: return v.asText();
    case ValueKind::Binary: {
      // Bytes taken as UTF-16 code units, as Jet reads a byte array as text.
      const Bytes& b = v.asBinary();
      std::u16string out;
      for (std::size_t i = 0; i < b.size(); i += 2) {
        const unsigned hi = i + 1 < b.size() ? b[i + 1] : 0u;
        out.push_back(static_cast<char16_t>(b[i] | hi << 8));
      }
      return out;
    }
    case ValueKind::Guid: return ascii(v.asGuid().toString());
    case ValueKind::Decimal: return ascii(formatDecimal(v.asDecimal()));
  }
  return {};
}

Tri truth(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return Tri::Null;
    case ValueKind::Boolean: return triOf(v.asBoolean());
    case ValueKind::Text: {
      const auto t = trimBlanks(v.asText());
      if (equalNamesNoCase(t, u"True")) return Tri::True;
      if (equalNamesNoCase(t, u"False")) return Tri::False;
      if (auto d = parseNumberText(v.asText())) return triOf(*d != 0);
      mismatch(v, "True, False or a number");
    }
    case ValueKind::Binary:
    case ValueKind::Guid: mismatch(v, "True or False");
    case ValueKind::Currency: return triOf(v.asCurrency().units != 0);
    case ValueKind::Decimal: return triOf(v.asDecimal().magnitude != 0);
    default: return triOf(toDouble(v) != 0);
  }
}

DateTime toDateTime(const Value& v) {
  double days = 0;
  if (v.kind() == ValueKind::DateTime) return v.asDateTime();
  if (v.kind() == ValueKind::Text) {
    if (auto d = parseDateText(v.asText(), DateOrder::MonthDayYear, std::nullopt)) return *d;
    auto n = parseNumberText(v.asText());
    if (!n) mismatch(v, "a date");
    days = *n;
  } else if (v.kind() == ValueKind::Binary || v.kind() == ValueKind::Guid) {
    mismatch(v, "a date");
  } else {
    days = toDouble(v);
  }
  if (!isDateInRange(days)) throw ValueError("Overflow");
  return DateTime{days};
}

Value castTo(const Value& v, ValueKind target) {
  if (v.isNull()) throw ValueError("Invalid use of Null");
  switch (target) {
    case ValueKind::Boolean: return Value::boolean(truth(v) == Tri::True);
    case ValueKind::Byte: {
      const std::int64_t n = toWholeNumber(v);
      if (n < 0 || n > 255) throw ValueError("Overflow");
      return Value::byte(static_cast<std::uint8_t>(n));
    }
    case ValueKind::Integer: {
      const std::int64_t n = toWholeNumber(v);
      if (n < INT16_MIN || n > INT16_MAX) throw ValueError("Overflow");
      return Value::integer(static_cast<std::int16_t>(n));
    }
    case ValueKind::Long: return Value::longInt(static_cast<std::int32_t>(toWholeNumber(v)));
    case ValueKind::Currency: return Value::currency(toCurrency(v));
    case ValueKind::Single: {
      const double d = toDouble(v);
      if (std::fabs(d) > std::numeric_limits<float>::max()) throw ValueError("Overflow");
      return Value::single(static_cast<float>(d));
    }
    case ValueKind::Double: return Value::dbl(toDouble(v));
    case ValueKind::Decimal: return Value::decimal(toDecimal(v));
    case ValueKind::DateTime: return Value::dateTime(toDateTime(v));
    case ValueKind::Text: return Value::text(toText(v));
    case ValueKind::Guid:
      if (v.kind() == ValueKind::Guid) return v;
      if (v.kind() == ValueKind::Text) {
        if (auto g = Guid::parse(toUtf8(trimBlanks(v.asText())))) return Value::guid(*g);
      }
      mismatch(v, "a GUID");
    case ValueKind::Binary:
      if (v.kind() == ValueKind::Binary) return v;
      mismatch(v, "binary data");
    case ValueKind::Null: return Value();
  }
  return Value();
}

std::optional<Value> textAs(std::u16string_view text, ValueKind kind, DateOrder order) {
  switch (kind) {
    case ValueKind::Text: return Value::text(std::u16string(text));
    case ValueKind::Boolean: {
      if (auto b = booleanWord(text)) return Value::boolean(*b);
      if (auto d = parseNumberText(text)) return Value::boolean(*d != 0);
      return std::nullopt;
    }
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long: {
      auto d = parseDecimalText(text);
      if (!d || d->scale != 0) return std::nullopt;
      const auto limit = kind == ValueKind::Byte ? 255 : kind == ValueKind::Integer ? 32767 : 2147483647;
      const auto low = kind == ValueKind::Byte ? 0 : -static_cast<long long>(limit) - 1;
      if (d->magnitude > static_cast<U128>(limit) + 1) return std::nullopt;
      const long long n = d->negative ? -static_cast<long long>(d->magnitude) : static_cast<long long>(d->magnitude);
      if (n < low || n > limit) return std::nullopt;
      if (kind == ValueKind::Byte) return Value::byte(static_cast<std::uint8_t>(n));
      if (kind == ValueKind::Integer) return Value::integer(static_cast<std::int16_t>(n));
      return Value::longInt(static_cast<std::int32_t>(n));
    }
    case ValueKind::Currency: {
      auto d = parseDecimalText(text);
      if (!d || d->scale > 4) return std::nullopt;
      try {
        return Value::currency(decimalToCurrency(*d));
      } catch (const ValueError&) {
        return std::nullopt;
      }
    }
    case ValueKind::Decimal: {
      auto d = parseDecimalText(text);
      if (!d) return std::nullopt;
      return Value::decimal(*d);
    }
    case ValueKind::Single:
    case ValueKind::Double: {
      auto d = parseNumberText(text);
      if (!d) return std::nullopt;
      if (kind == ValueKind::Double) return Value::dbl(*d);
      if (std::fabs(*d) > std::numeric_limits<float>::max()) return std::nullopt;
      return Value::single(static_cast<float>(*d));
    }
    case ValueKind::DateTime: {
      auto d = parseDateText(text, order, std::nullopt);
      if (!d) return std::nullopt;
      return Value::dateTime(*d);
    }
    case ValueKind::Guid: {
      auto g = Guid::parse(toUtf8(trimBlanks(text)));
      if (!g) return std::nullopt;
      return Value::guid(*g);
    }
    default: return std::nullopt;
  }
}

}  // namespace jet::sql
