// Value conversion for writes. Numbers go through one exact form (sign, 128-bit
// magnitude, decimal scale): integers, currency and decimals convert into it
// without loss, floating point values through their shortest exact text, so
// 0.1 stays 0.1 and 2.5 rounds to 2 like every other half.
#include "table/column_value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

__extension__ using Int128 = __int128;

constexpr UInt128 kMaxMagnitude = ~UInt128{0};
constexpr int kMaxDigits = 38;  // digits an exact number keeps

struct Exact {
  bool negative = false;
  UInt128 magnitude = 0;
  int scale = 0;  // value = ±magnitude / 10^scale
};

UInt128 pow10(int n) {
  UInt128 p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// The conversion's failure, turned into an error naming the field by the caller.
struct Refusal {
  std::string reason;
};

std::string trim(std::string s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// "[-+]digits[.digits][(e|E)[-+]digits]"
std::optional<Exact> parseExact(std::string_view text) {
  Exact e;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) e.negative = text[i++] == '-';
  bool anyDigit = false;
  bool afterPoint = false;
  int significant = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !afterPoint) {
      afterPoint = true;
      continue;
    }
    if (c < '0' || c > '9') break;
    anyDigit = true;
    if (e.magnitude == 0 && c == '0') {
      if (afterPoint) ++e.scale;
      continue;
    }
    if (significant == kMaxDigits) {
      // Further digits are beyond what any column keeps; integer digits still count.
      if (!afterPoint) --e.scale;
      continue;
    }
    ++significant;
    e.magnitude = e.magnitude * 10 + static_cast<unsigned>(c - '0');
    if (afterPoint) ++e.scale;
  }
  if (!anyDigit) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negativeExponent = text[i++] == '-';
    int exponent = 0;
    bool anyExponent = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      anyExponent = true;
      exponent = std::min(exponent * 10 + (text[i] - '0'), 10000);
    }
    if (!anyExponent) return std::nullopt;
    e.scale += negativeExponent ? exponent : -exponent;
  }
  if (i != text.size()) return std::nullopt;
  if (e.scale < 0) {
    // A whole number with trailing zeros: multiply them in.
    if (e.magnitude != 0) {
      if (-e.scale > kMaxDigits || e.magnitude > kMaxMagnitude / pow10(-e.scale)) {
        e.magnitude = kMaxMagnitude;  // out of every range
      } else {
        e.magnitude *= pow10(-e.scale);
      }
    }
    e.scale = 0;
  }
  if (e.magnitude == 0) e.negative = false;
  return e;
}

Exact fromDouble(double v) {
  if (!std::isfinite(v)) throw Refusal{"it is not a finite number"};
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return *parseExact(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

double toDouble(const Exact& e) {
  std::string s = e.negative ? "-" : "";
  std::string digits;
  for (UInt128 m = e.magnitude; m != 0; m /= 10) digits.insert(digits.begin(), static_cast<char>('0' + int(m % 10)));
  if (digits.empty()) digits = "0";
  s += digits + "e" + std::to_string(-e.scale);
  double d = 0;
  std::from_chars(s.data(), s.data() + s.size(), d);
  return d;
}

// Rounds to `scale` decimals, half to even. Throws when the result would not fit.
Exact rescale(Exact e, int scale) {
  if (e.scale < scale) {
    const int k = scale - e.scale;
    if (e.magnitude != 0 && (k > kMaxDigits || e.magnitude > kMaxMagnitude / pow10(k))) {
      throw Refusal{"it is out of range"};
    }
    e.magnitude *= pow10(k);
  } else if (e.scale > scale) {
    const int k = e.scale - scale;
    if (k > kMaxDigits) {
      e.magnitude = 0;
    } else {
      const UInt128 divisor = pow10(k);
      const UInt128 quotient = e.magnitude / divisor;
      const UInt128 remainder = e.magnitude % divisor;
      const UInt128 half = divisor / 2;
      const bool up = remainder > half || (remainder == half && (quotient & 1) != 0);
      e.magnitude = quotient + (up ? 1 : 0);
    }
  }
  e.scale = scale;
  if (e.magnitude == 0) e.negative = false;
  return e;
}

// The value times 10^scale, rounded to a whole number within [min, max].
Int128 scaledWhole(const Exact& e, int scale, Int128 min, Int128 max) {
  const Exact r = rescale(e, scale);
  if (r.magnitude > static_cast<UInt128>(max) + 1) throw Refusal{"it is out of range"};
  const Int128 v = r.negative ? -static_cast<Int128>(r.magnitude) : static_cast<Int128>(r.magnitude);
  if (v < min || v > max) throw Refusal{"it is out of range"};
  return v;
}

bool equalsNoCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return i == a.size() && b[i] == 0;
}

std::string trimZeros(std::string s) {
  if (s.find('.') == std::string::npos) return s;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string shortest(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string dateText(DateTime d) {
  std::string s = toIsoString(d);
  s[10] = ' ';
  if (s.size() == 19 && s.compare(11, 8, "00:00:00") == 0) s.resize(10);
  return s;
}

// The value as an exact number; nullopt for kinds that are not numbers.
std::optional<Exact> exactOf(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Boolean: return Exact{v.asBoolean(), v.asBoolean() ? 1u : 0u, 0};
    case ValueKind::Byte: return Exact{false, v.asByte(), 0};
    case ValueKind::Integer:
      return Exact{v.asInteger() < 0, static_cast<UInt128>(std::abs(static_cast<int>(v.asInteger()))), 0};
    case ValueKind::Long:
      return Exact{v.asLong() < 0, static_cast<UInt128>(std::llabs(static_cast<long long>(v.asLong()))), 0};
    case ValueKind::Currency: {
      const Int128 u = v.asCurrency().units;
      return Exact{u < 0, static_cast<UInt128>(u < 0 ? -u : u), 4};
    }
    case ValueKind::Decimal: return Exact{v.asDecimal().negative, v.asDecimal().magnitude, v.asDecimal().scale};
    case ValueKind::Single: return fromDouble(static_cast<double>(v.asSingle()));
    case ValueKind::Double: return fromDouble(v.asDouble());
    case ValueKind::DateTime: return fromDouble(v.asDateTime().days);
    case ValueKind::Text: {
      const auto e = parseExact(trim(toUtf8(v.asText())));
      if (!e) throw Refusal{"it is not a number"};
      return e;
    }
    default: return std::nullopt;
  }
}

Exact numberOf(const Value& v) {
  const auto e = exactOf(v);
  if (!e) throw Refusal{"it is not a number"};
  return *e;
}

double realOf(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Single: return v.asSingle();
    case ValueKind::Double: return v.asDouble();
    case ValueKind::DateTime: return v.asDateTime().days;
    default: return toDouble(numberOf(v));
  }
}

std::optional<DateTime> parseDate(const std::string& text) {
  CivilDateTime c;
  int consumed = 0;
  c.hour = c.minute = c.second = c.millisecond = 0;
  if (std::sscanf(text.c_str(), "%5d-%2d-%2d%n", &c.year, &c.month, &c.day, &consumed) != 3) return std::nullopt;
  std::size_t pos = static_cast<std::size_t>(consumed);
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    int n = 0;
    if (std::sscanf(text.c_str() + pos + 1, "%2d:%2d%n", &c.hour, &c.minute, &n) != 2) return std::nullopt;
    pos += 1 + static_cast<std::size_t>(n);
    if (pos < text.size() && text[pos] == ':') {
      if (std::sscanf(text.c_str() + pos + 1, "%2d%n", &c.second, &n) != 1) return std::nullopt;
      pos += 1 + static_cast<std::size_t>(n);
      if (pos < text.size() && text[pos] == '.') {
        int ms = 0;
        int digits = 0;
        for (++pos; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
          if (digits < 3) ms = ms * 10 + (text[pos] - '0');
        }
        for (; digits < 3; ++digits) ms *= 10;
        c.millisecond = ms;
      }
    }
  }
  if (pos != text.size() || !isValidCivil(c)) return std::nullopt;
  return fromCivil(c);
}

DateTime dateOf(const Value& v) {
  double days = 0;
  if (v.kind() == ValueKind::Text) {
    const auto d = parseDate(trim(toUtf8(v.asText())));
    if (!d) throw Refusal{"it is not a date (write it as YYYY-MM-DD or YYYY-MM-DD HH:MM:SS)"};
    days = d->days;
  } else if (v.kind() == ValueKind::DateTime) {
    days = v.asDateTime().days;
  } else {
    days = realOf(v);
  }
  if (!std::isfinite(days) || days < kEarliestDate || days > kLatestDate) {
    throw Refusal{"it lies outside the dates a field can hold (years 100 to 9999)"};
  }
  return DateTime{days};
}

bool booleanOf(const Value& v) {
  if (v.kind() == ValueKind::Text) {
    const std::string t = trim(toUtf8(v.asText()));
    if (equalsNoCase(t, "true") || equalsNoCase(t, "yes") || equalsNoCase(t, "on")) return true;
    if (equalsNoCase(t, "false") || equalsNoCase(t, "no") || equalsNoCase(t, "off")) return false;
  }
  const auto e = exactOf(v);
  if (!e) throw Refusal{"it is not a Yes/No value"};
  return e->magnitude != 0;
}

std::u16string textOf(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Text: return v.asText();
    case ValueKind::Boolean: return v.asBoolean() ? u"True" : u"False";
    case ValueKind::Byte: return fromUtf8(std::to_string(v.asByte()));
    case ValueKind::Integer: return fromUtf8(std::to_string(v.asInteger()));
    case ValueKind::Long: return fromUtf8(std::to_string(v.asLong()));
    case ValueKind::Currency: return fromUtf8(trimZeros(v.asCurrency().toString()));
    case ValueKind::Decimal: return fromUtf8(v.asDecimal().toString());
    case ValueKind::Single: return fromUtf8(shortest(static_cast<double>(v.asSingle())));
    case ValueKind::Double: return fromUtf8(shortest(v.asDouble()));
    case ValueKind::DateTime: return fromUtf8(dateText(v.asDateTime()));
    case ValueKind::Guid: return fromUtf8(v.asGuid().toString());
    default: throw Refusal{"binary data is not text"};
  }
}

Bytes bytesOf(const Value& v) {
  if (v.kind() == ValueKind::Binary) return v.asBinary();
  if (v.kind() == ValueKind::Guid) return Bytes(v.asGuid().bytes.begin(), v.asGuid().bytes.end());
  throw Refusal{"it is not binary data"};
}

Value convert(const Value& v, const ColumnDef& c) {
  switch (c.type) {
    case DataType::Boolean: return Value::boolean(booleanOf(v));
    case DataType::Byte: return Value::byte(static_cast<std::uint8_t>(scaledWhole(numberOf(v), 0, 0, 255)));
    case DataType::Integer:
      return Value::integer(static_cast<std::int16_t>(scaledWhole(numberOf(v), 0, -32768, 32767)));
    case DataType::Long:
      return Value::longInt(static_cast<std::int32_t>(scaledWhole(
          numberOf(v), 0, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())));
    case DataType::Currency:
      return Value::currency(Currency{static_cast<std::int64_t>(scaledWhole(
          numberOf(v), 4, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()))});
    case DataType::Single: {
      const double d = realOf(v);
      if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max()) throw Refusal{"it is out of range"};
      return Value::single(static_cast<float>(d));
    }
    case DataType::Double: {
      const double d = realOf(v);
      if (!std::isfinite(d)) throw Refusal{"it is not a finite number"};
      return Value::dbl(d);
    }
    case DataType::DateTime: return Value::dateTime(dateOf(v));
    case DataType::Text:
    case DataType::Memo: return Value::text(textOf(v));
    case DataType::Guid: {
      if (v.kind() == ValueKind::Guid) return v;
      if (v.kind() == ValueKind::Text) {
        const auto g = Guid::parse(trim(toUtf8(v.asText())));
        if (!g) throw Refusal{"it is not a GUID ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})"};
        return Value::guid(*g);
      }
      if (v.kind() == ValueKind::Binary && v.asBinary().size() == 16) {
        Guid g;
        std::copy(v.asBinary().begin(), v.asBinary().end(), g.bytes.begin());
        return Value::guid(g);
      }
      throw Refusal{"it is not a GUID"};
    }
    case DataType::Numeric: {
      const Exact e = rescale(numberOf(v), c.scale);
      Decimal d;
      d.magnitude = e.magnitude;
      d.scale = c.scale;
      d.negative = e.negative;
      d.normalise();
      if (d.magnitude != 0 && d.digitCount() > c.precision) {
        throw Refusal{"it has more digits than the field's precision of " + std::to_string(c.precision) +
                      " (scale " + std::to_string(c.scale) + ") allows"};
      }
      return Value::decimal(d);
    }
    default: return Value::binary(bytesOf(v));
  }
}

// Longest value a long-value field can hold, in bytes.
constexpr std::size_t kLongValueMaxBytes = 0x3FFFFFFF;

void checkLength(const Value& v, const ColumnDef& c, const std::string& where) {
  std::size_t size = 0;
  std::size_t limit = 0;
  const char* unit = "bytes";
  switch (c.type) {
    case DataType::Text:
      size = v.asText().size();
      limit = c.length == 0 ? 255 : c.length / 2u;
      unit = "characters";
      break;
    case DataType::Memo:
      size = v.asText().size();
      limit = kLongValueMaxBytes / 2;
      unit = "characters";
      break;
    case DataType::Ole:
      size = v.asBinary().size();
      limit = kLongValueMaxBytes;
      break;
    case DataType::Binary:
    case DataType::Unknown0D:
    case DataType::Unknown11:
      size = v.asBinary().size();
      limit = c.length;
      break;
    default: return;
  }
  if (size > limit) {
    throw Error(ErrorCode::InvalidArgument, "The value for " + where + " is " + std::to_string(size) + " " + unit +
                                                " long; the field holds at most " + std::to_string(limit));
  }
}

}  // namespace

std::string describeValue(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return "Null";
    case ValueKind::Text: {
      const std::u16string& t = v.asText();
      return "'" + toUtf8(t.size() > 40 ? t.substr(0, 40) : t) + (t.size() > 40 ? "...'" : "'");
    }
    case ValueKind::Binary: return "(" + std::to_string(v.asBinary().size()) + " bytes of binary data)";
    default:
      try {
        return toUtf8(textOf(v));
      } catch (const Refusal&) {
        return valueKindName(v.kind());
      }
  }
}

Value convertToColumn(const Value& value, const ColumnDef& column, const std::string& where) {
  if (value.isNull()) return column.type == DataType::Boolean ? Value::boolean(false) : Value();
  Value converted;
  try {
    converted = convert(value, column);
  } catch (const Refusal& r) {
    throw Error(ErrorCode::InvalidArgument, "Cannot store " + describeValue(value) + " in " + where + " (" +
                                                dataTypeName(column.type) + "): " + r.reason);
  }
  checkLength(converted, column, where);
  return converted;
}

}  // namespace jet
