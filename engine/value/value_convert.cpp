// The cast between value types, with Jet's rounding and range rules, and the
// conversions and message forms built on it.
#include <cmath>
#include <limits>

#include "jet/text.h"
#include "value/date_text.h"
#include "value/decimal_math.h"
#include "value/number_text.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet {

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

std::optional<bool> booleanWord(std::u16string_view t, bool yesNoWords) {
  t = trimBlanks(t);
  if (equalNamesNoCase(t, u"True")) return true;
  if (equalNamesNoCase(t, u"False")) return false;
  if (!yesNoWords) return std::nullopt;
  for (auto w : {u"Yes", u"On"}) {
    if (equalNamesNoCase(t, w)) return true;
  }
  for (auto w : {u"No", u"Off"}) {
    if (equalNamesNoCase(t, w)) return false;
  }
  return std::nullopt;
}

// A failed step of a cast; tryCast turns it into its result.
struct Refusal {
  CastFailure failure;
};

[[noreturn]] void refuse(CastFailure failure) { throw Refusal{failure}; }

// The reading of a text as a number, under the rules' locale.
struct TextNumber {
  std::optional<Decimal> exact;  // when the text reads exactly
  std::optional<double> approx;  // when it reads as a double (not asked in exact mode)
  // Why it does not read: a number too large for any type, or no number at all.
  CastFailure failure() const { return wellFormed ? CastFailure::OutOfRange : CastFailure::NotANumber; }
  bool wellFormed = false;
};

TextNumber readNumber(std::u16string_view text, const CastRules& rules) {
  std::u16string buffer;
  const std::u16string_view local = withDecimalPoint(text, rules.locale->decimalSeparator, buffer);
  TextNumber n;
  n.exact = parseDecimalText(local);
  if (!n.exact && !rules.exactText) n.approx = parseNumberText(local);
  n.wellFormed = n.exact || n.approx || isNumberText(local);
  return n;
}

double textAsDouble(std::u16string_view text, const CastRules& rules) {
  std::u16string buffer;
  const std::u16string_view local = withDecimalPoint(text, rules.locale->decimalSeparator, buffer);
  if (auto d = parseNumberText(local)) return *d;
  refuse(isNumberText(local) ? CastFailure::OutOfRange : CastFailure::NotANumber);
}

// A number's value as a double (Boolean -1/0, a date its day number).
double doubleOf(const Value& v, const CastRules& rules) {
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
    case ValueKind::Text: return textAsDouble(v.asText(), rules);
    default: refuse(CastFailure::NotANumber);
  }
}

// Through the double's 15 significant digits, as Jet converts floating point
// values to exact ones.
Decimal decimalOfDouble(double d) {
  if (!std::isfinite(d)) refuse(CastFailure::NotFinite);
  try {
    return decimalFromDouble(d);
  } catch (const ValueError&) {
    refuse(CastFailure::OutOfRange);
  }
}

// The value as an exact number; `scale` is the most decimals the target keeps
// (text with more is refused in exact mode).
Decimal exactOf(const Value& v, const CastRules& rules, int scale) {
  switch (v.kind()) {
    case ValueKind::Decimal: return v.asDecimal();
    case ValueKind::Currency: return decimalFromCurrency(v.asCurrency());
    case ValueKind::Boolean: return decimalFromInteger(v.asBoolean() ? -1 : 0);
    case ValueKind::Byte: return decimalFromInteger(v.asByte());
    case ValueKind::Integer: return decimalFromInteger(v.asInteger());
    case ValueKind::Long: return decimalFromInteger(v.asLong());
    case ValueKind::Text: {
      const TextNumber n = readNumber(v.asText(), rules);
      if (n.exact) {
        if (rules.exactText && n.exact->scale > scale) refuse(CastFailure::NotANumber);
        return *n.exact;
      }
      if (n.approx) return decimalOfDouble(*n.approx);
      refuse(n.failure());
    }
    case ValueKind::Single:
    case ValueKind::Double:
    case ValueKind::DateTime: return decimalOfDouble(doubleOf(v, rules));
    default: refuse(CastFailure::NotANumber);
  }
}

// A whole number within [low, high], rounded half to even.
std::int64_t wholeOf(const Value& v, const CastRules& rules, std::int64_t low, std::int64_t high) {
  std::int64_t n = 0;
  switch (v.kind()) {
    case ValueKind::Boolean: n = v.asBoolean() ? -1 : 0; break;
    case ValueKind::Byte: n = v.asByte(); break;
    case ValueKind::Integer: n = v.asInteger(); break;
    case ValueKind::Long: n = v.asLong(); break;
    case ValueKind::Single:
    case ValueKind::Double:
    case ValueKind::DateTime: {
      const double d = doubleOf(v, rules);
      if (!std::isfinite(d)) refuse(CastFailure::NotFinite);
      const double r = std::nearbyint(d);  // the default rounding mode is to even
      if (!(r >= -9.2e18 && r <= 9.2e18)) refuse(CastFailure::OutOfRange);
      n = static_cast<std::int64_t>(r);
      break;
    }
    default: {
      const Decimal d = roundDecimal(exactOf(v, rules, 0), 0, Rounding::HalfEven);
      if (d.magnitude > static_cast<U128>(std::numeric_limits<std::int64_t>::max())) refuse(CastFailure::OutOfRange);
      n = static_cast<std::int64_t>(d.magnitude);
      if (d.negative) n = -n;
      break;
    }
  }
  if (n < low || n > high) refuse(CastFailure::OutOfRange);
  return n;
}

Currency currencyOf(const Value& v, const CastRules& rules) {
  switch (v.kind()) {
    case ValueKind::Currency: return v.asCurrency();
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long: return Currency{wholeOf(v, rules, INT32_MIN, INT32_MAX) * 10000};
    default:
      try {
        return decimalToCurrency(exactOf(v, rules, 4));
      } catch (const ValueError&) {
        refuse(CastFailure::OutOfRange);
      }
  }
}

double floatOf(const Value& v, const CastRules& rules, bool single) {
  const double d = doubleOf(v, rules);
  if (single && std::fabs(d) > std::numeric_limits<float>::max()) refuse(CastFailure::OutOfRange);
  return d;
}

bool booleanOf(const Value& v, const CastRules& rules) {
  switch (v.kind()) {
    case ValueKind::Boolean: return v.asBoolean();
    case ValueKind::Text: {
      if (auto b = booleanWord(v.asText(), rules.yesNoWords)) return *b;
      std::u16string buffer;
      const std::u16string_view local = withDecimalPoint(v.asText(), rules.locale->decimalSeparator, buffer);
      if (auto d = parseNumberText(local)) return *d != 0;
      refuse(CastFailure::NotBoolean);
    }
    case ValueKind::Binary:
    case ValueKind::Guid: refuse(CastFailure::NotBoolean);
    case ValueKind::Currency: return v.asCurrency().units != 0;
    case ValueKind::Decimal: return v.asDecimal().magnitude != 0;
    default: return doubleOf(v, rules) != 0;
  }
}

DateTime dateOf(const Value& v, const CastRules& rules) {
  double days = 0;
  switch (v.kind()) {
    case ValueKind::DateTime: return v.asDateTime();
    case ValueKind::Text: {
      if (auto c = readDateText(v.asText(), rules.locale->dateOrder(), std::nullopt)) {
        if (c->year < 100 || c->year > 9999) refuse(CastFailure::DateOutOfRange);
        return fromCivil(*c);
      }
      if (rules.exactText) refuse(CastFailure::NotADate);
      std::u16string buffer;
      const std::u16string_view local = withDecimalPoint(v.asText(), rules.locale->decimalSeparator, buffer);
      const auto n = parseNumberText(local);
      if (!n) refuse(isNumberText(local) ? CastFailure::DateOutOfRange : CastFailure::NotADate);
      days = *n;  // a day number
      break;
    }
    case ValueKind::Binary:
    case ValueKind::Guid: refuse(CastFailure::NotADate);
    default: days = doubleOf(v, rules); break;
  }
  if (!isDateInRange(days)) refuse(CastFailure::DateOutOfRange);
  return DateTime{days};
}

Guid guidOf(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Guid: return v.asGuid();
    case ValueKind::Text:
      if (auto g = Guid::parse(toUtf8(trimBlanks(v.asText())))) return *g;
      break;
    case ValueKind::Binary:
      if (v.asBinary().size() == 16) {
        Guid g;
        std::copy(v.asBinary().begin(), v.asBinary().end(), g.bytes.begin());
        return g;
      }
      break;
    default: break;
  }
  refuse(CastFailure::NotAGuid);
}

Bytes bytesOf(const Value& v) {
  if (v.kind() == ValueKind::Binary) return v.asBinary();
  if (v.kind() == ValueKind::Guid) return Bytes(v.asGuid().bytes.begin(), v.asGuid().bytes.end());
  refuse(CastFailure::NotBinary);
}

Value castValue(const Value& v, ValueKind target, const CastRules& rules) {
  switch (target) {
    case ValueKind::Boolean: return Value::boolean(booleanOf(v, rules));
    case ValueKind::Byte: return Value::byte(static_cast<std::uint8_t>(wholeOf(v, rules, 0, 255)));
    case ValueKind::Integer: return Value::integer(static_cast<std::int16_t>(wholeOf(v, rules, INT16_MIN, INT16_MAX)));
    case ValueKind::Long: return Value::longInt(static_cast<std::int32_t>(wholeOf(v, rules, INT32_MIN, INT32_MAX)));
    case ValueKind::Currency: return Value::currency(currencyOf(v, rules));
    case ValueKind::Single: return Value::single(static_cast<float>(floatOf(v, rules, true)));
    case ValueKind::Double: return Value::dbl(floatOf(v, rules, false));
    case ValueKind::Decimal: return Value::decimal(exactOf(v, rules, 28));
    case ValueKind::DateTime: return Value::dateTime(dateOf(v, rules));
    case ValueKind::Text: return Value::text(toText(v, *rules.locale));
    case ValueKind::Guid: return Value::guid(guidOf(v));
    case ValueKind::Binary: return Value::binary(bytesOf(v));
    case ValueKind::Null: return Value();
  }
  return Value();
}

// The expression message of a failed cast.
[[noreturn]] void throwCastError(const Value& v, CastFailure failure) {
  const char* wanted = "a number";
  switch (failure) {
    case CastFailure::NotFinite:
    case CastFailure::OutOfRange:
    case CastFailure::DateOutOfRange: throw ValueError("Overflow");
    case CastFailure::NotADate: wanted = "a date"; break;
    case CastFailure::NotBoolean: wanted = v.kind() == ValueKind::Text ? "True, False or a number" : "True or False"; break;
    case CastFailure::NotAGuid: wanted = "a GUID"; break;
    case CastFailure::NotBinary: wanted = "binary data"; break;
    default: break;
  }
  throw ValueError("Data type mismatch: " + describeValue(v) + " is not " + wanted);
}

const TextLocale& localeWithOrder(DateOrder order) {
  static const TextLocale kDayFirst = [] {
    TextLocale l;
    l.shortDateFormat = u"d/m/yyyy";
    return l;
  }();
  static const TextLocale kYearFirst = [] {
    TextLocale l;
    l.shortDateFormat = u"yyyy/m/d";
    return l;
  }();
  switch (order) {
    case DateOrder::DayMonthYear: return kDayFirst;
    case DateOrder::YearMonthDay: return kYearFirst;
    default: return TextLocale::jetDefault();
  }
}

}  // namespace

Value valueOf(Tri t) { return t == Tri::Null ? Value() : Value::boolean(t == Tri::True); }

ValueKind kindOf(DataType type) noexcept { return factsOf(type).kind; }

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

std::string quotedValue(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return "Null";
    case ValueKind::Text: {
      const std::u16string& t = v.asText();
      return "'" + toUtf8(t.size() > 40 ? t.substr(0, 40) : t) + (t.size() > 40 ? "...'" : "'");
    }
    case ValueKind::Binary: return "(" + std::to_string(v.asBinary().size()) + " bytes of binary data)";
    default: return toUtf8(toText(v, TextLocale::iso()));
  }
}

CastResult tryCast(const Value& v, ValueKind target, const CastRules& rules) {
  if (v.isNull()) return {};
  try {
    return {castValue(v, target, rules), CastFailure::None};
  } catch (const Refusal& r) {
    return {Value(), r.failure};
  }
}

Value castTo(const Value& v, ValueKind target) {
  if (v.isNull()) throw ValueError("Invalid use of Null");
  CastResult r = tryCast(v, target);
  if (r.failure != CastFailure::None) throwCastError(v, r.failure);
  return std::move(r.value);
}

std::optional<Value> textAs(std::u16string_view text, ValueKind kind, const TextLocale& locale) {
  if (kind == ValueKind::Text) return Value::text(std::u16string(text));
  if (kind == ValueKind::Binary || kind == ValueKind::Null) return std::nullopt;
  CastResult r = tryCast(Value::text(std::u16string(text)), kind, CastRules{&locale, true, true});
  if (r.failure != CastFailure::None) return std::nullopt;
  return std::move(r.value);
}

std::optional<Value> textAs(std::u16string_view text, ValueKind kind, DateOrder order) {
  return textAs(text, kind, localeWithOrder(order));
}

std::optional<Value> valueFromText(std::u16string_view text, DataType type, const TextLocale& locale) {
  return textAs(text, kindOf(type), locale);
}

double toDouble(const Value& v) {
  if (v.isNull()) throw ValueError("Invalid use of Null");
  try {
    return doubleOf(v, CastRules{});
  } catch (const Refusal&) {
    throwCastError(v, CastFailure::NotANumber);
  }
}

std::int64_t toWholeNumber(const Value& v, bool wide) {
  if (v.isNull()) throw ValueError("Invalid use of Null");
  const std::int64_t low = wide ? std::numeric_limits<std::int64_t>::min() : INT32_MIN;
  const std::int64_t high = wide ? std::numeric_limits<std::int64_t>::max() : INT32_MAX;
  try {
    return wholeOf(v, CastRules{}, low, high);
  } catch (const Refusal& r) {
    throwCastError(v, r.failure);
  }
}

std::u16string toText(const Value& v) { return toText(v, TextLocale::jetDefault()); }

std::u16string toText(const Value& v, const TextLocale& locale) {
  const char16_t point = locale.decimalSeparator;
  switch (v.kind()) {
    case ValueKind::Null: return {};
    case ValueKind::Boolean: return v.asBoolean() ? u"True" : u"False";
    case ValueKind::Byte: return ascii(std::to_string(v.asByte()));
    case ValueKind::Integer: return ascii(std::to_string(v.asInteger()));
    case ValueKind::Long: return ascii(std::to_string(v.asLong()));
    case ValueKind::Currency: return exactText(v.asCurrency(), point);
    case ValueKind::Single: return floatText(v.asSingle(), kJetSingleText, point);
    case ValueKind::Double: return floatText(v.asDouble(), kJetDoubleText, point);
    case ValueKind::DateTime: return generalDateText(v.asDateTime(), locale);
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
    case ValueKind::Decimal: return exactText(v.asDecimal(), point);
  }
  return {};
}

Tri truth(const Value& v) {
  if (v.isNull()) return Tri::Null;
  if (v.kind() == ValueKind::Boolean) return triOf(v.asBoolean());
  try {
    return triOf(booleanOf(v, CastRules{}));
  } catch (const Refusal& r) {
    throwCastError(v, r.failure);
  }
}

DateTime toDateTime(const Value& v) {
  if (v.isNull()) throw ValueError("Invalid use of Null");
  try {
    return dateOf(v, CastRules{});
  } catch (const Refusal& r) {
    throwCastError(v, r.failure);
  }
}

}  // namespace jet
