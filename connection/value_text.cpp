// The general conversion and the field's own text form of values, and the
// number and byte texts both build on.
#include "connection/value_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jet/error.h"
#include "jet/expression.h"
#include "jet/text.h"

namespace qb {

namespace {

// The most significant digits a floating point value is written with.
constexpr int kFloatDigits = 15;
// Fixed notation is used while the decimal exponent (digits before the point)
// lies within these bounds, that is for magnitudes from 0.00001 up to 15
// integer digits; exponent form outside.
constexpr int kMinFixedExponent = -4;
constexpr int kMaxFixedExponent = kFloatDigits;

// Windows-1252 characters for the bytes 0x80-0x9F; the five bytes the code
// page leaves undefined keep their own value.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string ascii(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

// Writes significant digits (no leading or trailing zeros, at least one) with
// the decimal exponent `exponent` (value = 0.DIGITS × 10^exponent).
std::u16string layoutDigits(bool negative, std::string_view digits, int exponent, char16_t separator) {
  std::u16string out;
  if (negative) out += u'-';
  const int count = static_cast<int>(digits.size());
  if (exponent > kMaxFixedExponent || exponent < kMinFixedExponent) {
    out += static_cast<char16_t>(digits[0]);
    if (count > 1) {
      out += separator;
      for (int i = 1; i < count; ++i) out += static_cast<char16_t>(digits[static_cast<std::size_t>(i)]);
    }
    out += u'E';
    const int shown = exponent - 1;
    if (shown < 0) out += u'-';
    out += ascii(std::to_string(std::abs(shown)));
    return out;
  }
  if (exponent <= 0) {
    out += u'0';
    out += separator;
    out.append(static_cast<std::size_t>(-exponent), u'0');
    for (const char d : digits) out += static_cast<char16_t>(d);
    return out;
  }
  for (int i = 0; i < std::max(count, exponent); ++i) {
    if (i == exponent) out += separator;
    out += i < count ? static_cast<char16_t>(digits[static_cast<std::size_t>(i)]) : u'0';
  }
  return out;
}

// Splits "d.dddde±x" (as printf's %e and to_chars' scientific write it) into
// significant digits without trailing zeros and the exponent of layoutDigits.
std::u16string layoutScientific(std::string_view text, char16_t separator) {
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  const std::size_t e = text.find('e');
  std::string digits;
  for (const char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = 0;
  const std::string_view exponentText = text.substr(e + 1);
  std::from_chars(exponentText.data() + (exponentText[0] == '+' ? 1 : 0),
                  exponentText.data() + exponentText.size(), exponent);
  if (digits == "0") return u"0";
  return layoutDigits(negative, digits, exponent + 1, separator);
}

std::u16string nonFiniteText(double value) {
  if (std::isnan(value)) return u"NAN";
  return value < 0 ? u"-INF" : u"INF";
}

// Writes an exact decimal text "[-]digits[.digits]" without trailing zeros in
// its fraction and with the given separator.
std::u16string exactText(std::string text, char16_t separator) {
  if (const std::size_t point = text.find('.'); point != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  std::u16string out = ascii(text);
  for (char16_t& c : out) {
    if (c == u'.') c = separator;
  }
  return out;
}

bool isMidnight(const jet::CivilDateTime& c) {
  return c.hour == 0 && c.minute == 0 && c.second == 0;
}
bool isDayZero(const jet::CivilDateTime& c) {
  return c.year == 1899 && c.month == 12 && c.day == 30;
}

std::u16string generalDateText(jet::DateTime value, const FormatSettings& settings) {
  const jet::CivilDateTime c = jet::toCivil(value);
  if (isDayZero(c)) return formatDateTime(settings.longTimeFormat, value, settings);
  std::u16string out = formatDateTime(settings.shortDateFormat, value, settings);
  if (!isMidnight(c)) {
    out += u' ';
    out += formatDateTime(settings.longTimeFormat, value, settings);
  }
  return out;
}

std::u16string ownDateText(jet::DateTime value, TFieldType type, const FormatSettings& settings) {
  if (type == TFieldType::ftDate) return formatDateTime(settings.shortDateFormat, value, settings);
  if (type == TFieldType::ftTime) return formatDateTime(settings.longTimeFormat, value, settings);
  std::u16string out = formatDateTime(settings.shortDateFormat, value, settings);
  if (!isMidnight(jet::toCivil(value))) {
    out += u' ';
    out += formatDateTime(settings.longTimeFormat, value, settings);
  }
  return out;
}

std::u16string bytesUpToZero(const jet::Bytes& bytes) {
  std::u16string out = bytesAsText(bytes);
  if (const std::size_t zero = out.find(u'\0'); zero != std::u16string::npos) out.resize(zero);
  return out;
}

// The text both forms share; `dates` and `binary` write the kinds they differ on.
template <typename DateText, typename BinaryText>
std::u16string valueText(const jet::Value& value, const FormatSettings& settings, DateText dates,
                         BinaryText binary) {
  using jet::ValueKind;
  switch (value.kind()) {
    case ValueKind::Null:
      return {};
    case ValueKind::Boolean:
      return value.asBoolean() ? u"True" : u"False";
    case ValueKind::Byte:
      return ascii(std::to_string(value.asByte()));
    case ValueKind::Integer:
      return ascii(std::to_string(value.asInteger()));
    case ValueKind::Long:
      return ascii(std::to_string(value.asLong()));
    case ValueKind::Currency:
      return currencyText(value.asCurrency(), settings.decimalSeparator);
    case ValueKind::Single:
      return singleText(value.asSingle(), settings.decimalSeparator);
    case ValueKind::Double:
      return floatText(value.asDouble(), settings.decimalSeparator);
    case ValueKind::DateTime:
      return dates(value.asDateTime());
    case ValueKind::Text:
      return value.asText();
    case ValueKind::Binary:
      return binary(value.asBinary());
    case ValueKind::Guid:
      return ascii(value.asGuid().toString());
    case ValueKind::Decimal:
      return decimalText(value.asDecimal(), settings.decimalSeparator);
  }
  return {};
}

}  // namespace

std::u16string floatText(double value, char16_t decimalSeparator) {
  if (!std::isfinite(value)) return nonFiniteText(value);
  if (value == 0) return u"0";
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*e", kFloatDigits - 1, value);
  return layoutScientific(buffer, decimalSeparator);
}

std::u16string singleText(float value, char16_t decimalSeparator) {
  if (!std::isfinite(value)) return nonFiniteText(value);
  if (value == 0) return u"0";
  char buffer[48];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  return layoutScientific(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)),
                          decimalSeparator);
}

std::u16string currencyText(jet::Currency value, char16_t decimalSeparator) {
  return exactText(value.toString(), decimalSeparator);
}

std::u16string decimalText(const jet::Decimal& value, char16_t decimalSeparator) {
  return exactText(value.toString(), decimalSeparator);
}

std::optional<jet::Value> valueFromUserText(std::u16string_view text, jet::DataType type,
                                            const FormatSettings& settings) {
  const jet::TextConversionOptions options{settings.dateOrder()};
  bool number = false;
  switch (type) {
    case jet::DataType::Byte:
    case jet::DataType::Integer:
    case jet::DataType::Long:
    case jet::DataType::Currency:
    case jet::DataType::Single:
    case jet::DataType::Double:
    case jet::DataType::Numeric:
      number = true;
      break;
    default:
      break;
  }
  // The number texts show the user's separator, so the same text must read
  // back (and "4,2" must not become 42 where "," is the decimal separator); a
  // text with "." in it is read as it stands.
  if (number && settings.decimalSeparator != u'.' && text.find(u'.') == std::u16string_view::npos) {
    std::u16string local(text);
    std::replace(local.begin(), local.end(), settings.decimalSeparator, u'.');
    return jet::valueFromText(local, type, options);
  }
  return jet::valueFromText(text, type, options);
}

std::u16string bytesAsText(const jet::Bytes& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const std::uint8_t b : bytes) {
    out += b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80u] : static_cast<char16_t>(b);
  }
  return out;
}

jet::Bytes textAsBytes(std::u16string_view text) {
  jet::Bytes out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<std::uint8_t>(c));
      continue;
    }
    std::uint8_t byte = '?';
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
      if (kCp1252High[i] == c) byte = static_cast<std::uint8_t>(0x80 + i);
    }
    out.push_back(byte);
  }
  return out;
}

std::u16string csvText(const jet::Value& value, TFieldType type, const FormatSettings& settings) {
  return valueText(
      value, settings, [&](jet::DateTime d) { return generalDateText(d, settings); },
      [&](const jet::Bytes& bytes) {
        if (type == TFieldType::ftBytes || type == TFieldType::ftVarBytes) {
          throw jet::Error(jet::ErrorCode::InvalidArgument,
                           "Could not convert variant of type (Array Byte) into type (String)");
        }
        return bytesAsText(bytes);
      });
}

std::u16string fieldText(const jet::Value& value, TFieldType type, const FormatSettings& settings) {
  return valueText(
      value, settings, [&](jet::DateTime d) { return ownDateText(d, type, settings); },
      [](const jet::Bytes& bytes) { return bytesUpToZero(bytes); });
}

}  // namespace qb
