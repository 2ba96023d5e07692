// The general conversion and the field's own text form of values, and the
// number and byte texts both build on.
#include "connection/value_text.h"

#include <array>
#include <string>

#include "jet/error.h"
#include "jet/value_text.h"

namespace qb {

namespace {

// The field display forms of floating point numbers: up to 15 significant
// digits for a Double and the fewest that read back for a Single, in fixed
// notation for magnitudes from 0.00001 up to 15 integer digits.
constexpr jet::FloatTextStyle kFieldDoubleText{15, -4, 15, false, 1};
constexpr jet::FloatTextStyle kFieldSingleText{0, -4, 15, false, 1};

// Windows-1252 characters for the bytes 0x80-0x9F; the five bytes the code
// page leaves undefined keep their own value.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string ascii(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

bool isMidnight(const jet::CivilDateTime& c) {
  return c.hour == 0 && c.minute == 0 && c.second == 0;
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
  return jet::floatText(value, kFieldDoubleText, decimalSeparator);
}

std::u16string singleText(float value, char16_t decimalSeparator) {
  return jet::floatText(value, kFieldSingleText, decimalSeparator);
}

std::u16string currencyText(jet::Currency value, char16_t decimalSeparator) {
  return jet::exactText(value, decimalSeparator);
}

std::u16string decimalText(const jet::Decimal& value, char16_t decimalSeparator) {
  return jet::exactText(value, decimalSeparator);
}

std::optional<jet::Value> valueFromUserText(std::u16string_view text, jet::DataType type,
                                            const FormatSettings& settings) {
  return jet::valueFromText(text, type, settings);
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
      value, settings, [&](jet::DateTime d) { return jet::generalDateText(d, settings); },
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
