// Number and conversion functions: Abs, Int, Fix, Round, Sgn, Sqr, Exp, Log,
// Sin, Cos, Tan, Atn, Val, Str, Hex, Oct, IsNull, IsNumeric, IsDate and the
// conversions CBool ... CStr.
#include <array>
#include <cmath>

#include "jet/text.h"
#include "sql/function_args.h"
#include "sql/function_registry.h"
#include "value/date_text.h"
#include "value/decimal_math.h"
#include "value/number_text.h"

namespace jet::sql {

namespace {

// A number argument in its own type; text is read as a Double, Boolean is Integer.
Value numberArg(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Boolean: return Value::integer(v.asBoolean() ? -1 : 0);
    case ValueKind::Text: return Value::dbl(toDouble(v));
    case ValueKind::Binary:
    case ValueKind::Guid: return Value::dbl(toDouble(v));  // raises the mismatch
    default: return v;
  }
}

// Int (floor) and Fix (toward zero) keep the argument's type.
Value wholePart(const Value& arg, bool floorMode) {
  const Value v = numberArg(arg);
  auto cut = [&](double d) { return floorMode ? std::floor(d) : std::trunc(d); };
  switch (v.kind()) {
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long: return v;
    case ValueKind::Single: return Value::single(static_cast<float>(cut(v.asSingle())));
    case ValueKind::DateTime: return Value::dateTime(DateTime{cut(v.asDateTime().days)});
    case ValueKind::Currency: {
      const Decimal d = roundDecimal(decimalFromCurrency(v.asCurrency()), 0, floorMode ? Rounding::Floor : Rounding::TowardZero);
      return Value::currency(decimalToCurrency(d));
    }
    case ValueKind::Decimal:
      return Value::decimal(roundDecimal(v.asDecimal(), 0, floorMode ? Rounding::Floor : Rounding::TowardZero));
    default: return Value::dbl(cut(toDouble(v)));
  }
}

Value intFn(std::span<const Value> a, const EvalEnv&) { return wholePart(a[0], true); }
Value fixFn(std::span<const Value> a, const EvalEnv&) { return wholePart(a[0], false); }

Value absFn(std::span<const Value> a, const EvalEnv&) {
  const Value v = numberArg(a[0]);
  if (v.kind() == ValueKind::DateTime) return Value::dbl(std::fabs(v.asDateTime().days));
  const auto sign = compareValues(v, Value::integer(0));
  return sign && *sign < 0 ? negate(v) : v;
}

Value sgnFn(std::span<const Value> a, const EvalEnv&) {
  const auto sign = compareValues(numberArg(a[0]), Value::integer(0));
  return Value::integer(static_cast<std::int16_t>(*sign < 0 ? -1 : *sign > 0 ? 1 : 0));
}

// Round(number[, places]): half to even, as Jet rounds.
Value roundFn(std::span<const Value> a, const EvalEnv&) {
  const std::int64_t places = given(a, 1) ? longArg(a[1]) : 0;
  if (places < 0 || places > 28) invalidCall();
  const Value v = numberArg(a[0]);
  switch (v.kind()) {
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long: return v;
    case ValueKind::Currency:
      if (places >= 4) return v;
      return Value::currency(decimalToCurrency(
          roundDecimal(decimalFromCurrency(v.asCurrency()), static_cast<int>(places), Rounding::HalfEven)));
    case ValueKind::Decimal: return Value::decimal(roundDecimal(v.asDecimal(), static_cast<int>(places), Rounding::HalfEven));
    default: {
      // Rounded on the number's 15 significant decimal digits, so 2.675 (stored a
      // little below) rounds as written, to 2.68; ties go to the even digit.
      const Decimal d = roundDecimal(decimalFromDouble(toDouble(v)), static_cast<int>(places), Rounding::HalfEven);
      const double r = decimalToDouble(d);
      if (v.kind() == ValueKind::Single) return Value::single(static_cast<float>(r));
      return Value::dbl(r);
    }
  }
}

double checked(double d) {
  if (!std::isfinite(d)) throw ValueError("Overflow");
  return d;
}

Value sqrFn(std::span<const Value> a, const EvalEnv&) {
  const double d = toDouble(a[0]);
  if (d < 0) invalidCall();
  return Value::dbl(std::sqrt(d));
}
Value expFn(std::span<const Value> a, const EvalEnv&) { return Value::dbl(checked(std::exp(toDouble(a[0])))); }
Value logFn(std::span<const Value> a, const EvalEnv&) {
  const double d = toDouble(a[0]);
  if (d <= 0) invalidCall();
  return Value::dbl(std::log(d));
}
Value sinFn(std::span<const Value> a, const EvalEnv&) { return Value::dbl(std::sin(toDouble(a[0]))); }
Value cosFn(std::span<const Value> a, const EvalEnv&) { return Value::dbl(std::cos(toDouble(a[0]))); }
Value tanFn(std::span<const Value> a, const EvalEnv&) { return Value::dbl(std::tan(toDouble(a[0]))); }
Value atnFn(std::span<const Value> a, const EvalEnv&) { return Value::dbl(std::atan(toDouble(a[0]))); }

// Val(text): the number at the start of the text; blanks anywhere in it are
// skipped and reading stops at the first character that cannot continue it.
Value valFn(std::span<const Value> a, const EvalEnv&) {
  requireValue(a[0]);
  std::u16string s;
  for (char16_t c : textArg(a[0])) {
    if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') s.push_back(c);
  }
  if (s.size() >= 2 && s[0] == u'&') {
    std::size_t end = 2;
    auto hexDigit = [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); };
    while (end < s.size() && hexDigit(s[end])) ++end;
    if (auto d = parseNumberText(std::u16string_view(s).substr(0, end))) return Value::dbl(*d);
    return Value::dbl(0);
  }
  // The longest prefix that reads as a number.
  std::size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') ++i;
  if (i < s.size() && s[i] == u'.') {
    ++i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') ++i;
  }
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ++j;
    if (j < s.size() && s[j] >= u'0' && s[j] <= u'9') {
      while (j < s.size() && s[j] >= u'0' && s[j] <= u'9') ++j;
      i = j;
    }
  }
  const auto d = parseNumberText(std::u16string_view(s).substr(0, i));
  if (d && !std::isfinite(*d)) throw ValueError("Overflow");
  return Value::dbl(d ? *d : 0.0);
}

// Str(number): the text form with a leading space for numbers not below zero.
Value strFn(std::span<const Value> a, const EvalEnv&) {
  const Value v = a[0].kind() == ValueKind::Text ? Value::dbl(toDouble(a[0])) : a[0];
  std::u16string s = toText(v);
  if (v.kind() != ValueKind::DateTime && v.kind() != ValueKind::Boolean && !s.empty() && s[0] != u'-') s.insert(0, 1, u' ');
  return Value::text(std::move(s));
}

Value radix(const Value& v, unsigned base) {
  std::int64_t n = toWholeNumber(v);
  std::uint64_t u = n < 0 ? static_cast<std::uint32_t>(static_cast<std::int32_t>(n)) : static_cast<std::uint64_t>(n);
  std::u16string out;
  do {
    out.insert(0, 1, u"0123456789ABCDEF"[u % base]);
    u /= base;
  } while (u != 0);
  return Value::text(std::move(out));
}
Value hexFn(std::span<const Value> a, const EvalEnv&) { return radix(a[0], 16); }
Value octFn(std::span<const Value> a, const EvalEnv&) { return radix(a[0], 8); }

Value isNullFn(std::span<const Value> a, const EvalEnv&) { return Value::boolean(a[0].isNull()); }

Value isNumericFn(std::span<const Value> a, const EvalEnv&) {
  const Value& v = a[0];
  if (v.kind() == ValueKind::Text) return Value::boolean(parseNumberText(v.asText()).has_value());
  return Value::boolean(isNumberKind(v.kind()) || v.kind() == ValueKind::Boolean);
}

Value isDateFn(std::span<const Value> a, const EvalEnv&) {
  const Value& v = a[0];
  if (v.kind() == ValueKind::Text) {
    return Value::boolean(parseDateText(v.asText(), DateOrder::MonthDayYear, std::nullopt).has_value());
  }
  return Value::boolean(v.kind() == ValueKind::DateTime);
}

template <ValueKind K>
Value convert(std::span<const Value> a, const EvalEnv&) {
  return castTo(a[0], K);
}

Value cvarFn(std::span<const Value> a, const EvalEnv&) { return a[0]; }

constexpr auto kFirst = NullRule::FirstNullGivesNull;
constexpr auto kOwn = NullRule::Handled;
constexpr std::optional<ValueKind> kAnyType = std::nullopt;

constexpr std::array kNumberFunctions = {
    FunctionDef{u"Abs", 1, 1, absFn, kFirst, kAnyType},
    FunctionDef{u"Int", 1, 1, intFn, kFirst, kAnyType},
    FunctionDef{u"Fix", 1, 1, fixFn, kFirst, kAnyType},
    FunctionDef{u"Round", 1, 2, roundFn, kFirst, kAnyType},
    FunctionDef{u"Sgn", 1, 1, sgnFn, kFirst, ValueKind::Integer},
    FunctionDef{u"Sqr", 1, 1, sqrFn, kFirst, ValueKind::Double},
    FunctionDef{u"Exp", 1, 1, expFn, kFirst, ValueKind::Double},
    FunctionDef{u"Log", 1, 1, logFn, kFirst, ValueKind::Double},
    FunctionDef{u"Sin", 1, 1, sinFn, kFirst, ValueKind::Double},
    FunctionDef{u"Cos", 1, 1, cosFn, kFirst, ValueKind::Double},
    FunctionDef{u"Tan", 1, 1, tanFn, kFirst, ValueKind::Double},
    FunctionDef{u"Atn", 1, 1, atnFn, kFirst, ValueKind::Double},
    FunctionDef{u"Val", 1, 1, valFn, kOwn, ValueKind::Double},
    FunctionDef{u"Str", 1, 1, strFn, kFirst, ValueKind::Text},
    FunctionDef{u"Hex", 1, 1, hexFn, kFirst, ValueKind::Text},
    FunctionDef{u"Oct", 1, 1, octFn, kFirst, ValueKind::Text},
    FunctionDef{u"IsNull", 1, 1, isNullFn, kOwn, ValueKind::Boolean},
    FunctionDef{u"IsNumeric", 1, 1, isNumericFn, kOwn, ValueKind::Boolean},
    FunctionDef{u"IsDate", 1, 1, isDateFn, kOwn, ValueKind::Boolean},
    FunctionDef{u"CBool", 1, 1, convert<ValueKind::Boolean>, kOwn, ValueKind::Boolean},
    FunctionDef{u"CByte", 1, 1, convert<ValueKind::Byte>, kOwn, ValueKind::Byte},
    FunctionDef{u"CInt", 1, 1, convert<ValueKind::Integer>, kOwn, ValueKind::Integer},
    FunctionDef{u"CLng", 1, 1, convert<ValueKind::Long>, kOwn, ValueKind::Long},
    FunctionDef{u"CCur", 1, 1, convert<ValueKind::Currency>, kOwn, ValueKind::Currency},
    FunctionDef{u"CSng", 1, 1, convert<ValueKind::Single>, kOwn, ValueKind::Single},
    FunctionDef{u"CDbl", 1, 1, convert<ValueKind::Double>, kOwn, ValueKind::Double},
    FunctionDef{u"CDec", 1, 1, convert<ValueKind::Decimal>, kOwn, ValueKind::Decimal},
    FunctionDef{u"CDate", 1, 1, convert<ValueKind::DateTime>, kOwn, ValueKind::DateTime},
    FunctionDef{u"CVDate", 1, 1, convert<ValueKind::DateTime>, kOwn, ValueKind::DateTime},
    FunctionDef{u"CStr", 1, 1, convert<ValueKind::Text>, kOwn, ValueKind::Text},
    FunctionDef{u"CVar", 1, 1, cvarFn, kOwn, kAnyType},
};

}  // namespace

std::span<const FunctionDef> numberFunctions() { return kNumberFunctions; }

}  // namespace jet::sql
