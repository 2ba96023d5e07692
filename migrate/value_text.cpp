// Encoders of the value text forms; see value_text.h.
#include "migrate/value_text.h"

#include <charconv>
#include <cmath>

namespace qbmigrate {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void twoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10);
  out += static_cast<char>('0' + v % 10);
}

template <typename T>
void appendInteger(std::string& out, T value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

template <typename T>
void appendFloating(std::string& out, T value) {
  if (std::isnan(value)) {
    out += "NaN";
  } else if (std::isinf(value)) {
    out += value < 0 ? "-Infinity" : "Infinity";
  } else {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
  }
}

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

char* putCodePoint(char* p, char32_t cp) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

// UTF-16 to UTF-8 straight into `out`, which grows once per text: no code
// unit takes more than 3 bytes (an escape 2, a surrogate pair 4 for two
// units). `escape(c, p)` may write an escape for an ASCII unit and return the
// new end, or return p to have c copied.
template <typename Escape>
void appendText(std::string& out, std::u16string_view text, std::size_t& replaced, Escape escape) {
  const std::size_t start = out.size();
  out.resize(start + text.size() * 3);
  char* const begin = out.data() + start;
  char* p = begin;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80) {
      char* q = escape(c, p);
      if (q == p) *q++ = static_cast<char>(c);
      p = q;
    } else if (!isHigh(c) && !isLow(c)) {
      p = putCodePoint(p, c);
    } else if (isHigh(c) && i + 1 < text.size() && isLow(text[i + 1])) {
      p = putCodePoint(p, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      p = putCodePoint(p, 0xFFFD);
      ++replaced;
    }
  }
  out.resize(start + static_cast<std::size_t>(p - begin));
}

void appendCopyText(std::string& out, std::u16string_view text, std::size_t& replaced) {
  appendText(out, text, replaced, [](char16_t c, char* p) {
    switch (c) {
      case u'\\': *p++ = '\\'; *p++ = '\\'; return p;
      case u'\t': *p++ = '\\'; *p++ = 't'; return p;
      case u'\n': *p++ = '\\'; *p++ = 'n'; return p;
      case u'\r': *p++ = '\\'; *p++ = 'r'; return p;
      case u'\0': throw ValueError("the text holds the character U+0000, which PostgreSQL text cannot store");
      default: return p;
    }
  });
}

// Currency with its four decimals from the integer count of 1/10 000 units.
void appendCurrency(std::string& out, jet::Currency value) {
  const bool negative = value.units < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value.units) : static_cast<std::uint64_t>(value.units);
  char buffer[32];
  char* p = buffer;
  if (negative) *p++ = '-';
  p = std::to_chars(p, buffer + sizeof buffer, magnitude / 10000).ptr;
  const auto fraction = static_cast<unsigned>(magnitude % 10000);
  *p++ = '.';
  *p++ = static_cast<char>('0' + fraction / 1000);
  *p++ = static_cast<char>('0' + fraction / 100 % 10);
  *p++ = static_cast<char>('0' + fraction / 10 % 10);
  *p++ = static_cast<char>('0' + fraction % 10);
  out.append(buffer, p);
}

void appendDateTime(std::string& out, jet::DateTime value, char separator) {
  const jet::CivilDateTime c = jet::toCivil(value);
  if (c.year < 1 || c.year > 9999) {
    throw ValueError("the date " + jet::toIsoString(value) + " is outside the years 1 to 9999");
  }
  twoDigits(out, c.year / 100);
  twoDigits(out, c.year % 100);
  out += '-';
  twoDigits(out, c.month);
  out += '-';
  twoDigits(out, c.day);
  out += separator;
  twoDigits(out, c.hour);
  out += ':';
  twoDigits(out, c.minute);
  out += ':';
  twoDigits(out, c.second);
  if (c.millisecond != 0) {
    out += '.';
    out += static_cast<char>('0' + c.millisecond / 100);
    twoDigits(out, c.millisecond % 100);
  }
}

}  // namespace

std::string dateTimeText(jet::DateTime value, char separator) {
  std::string out;
  out.reserve(23);
  appendDateTime(out, value, separator);
  return out;
}

void appendUtf8(std::string& out, std::u16string_view text, std::size_t& replaced) {
  appendText(out, text, replaced, [](char16_t, char* p) { return p; });
}

void appendFloat(std::string& out, float value) { appendFloating(out, value); }
void appendDouble(std::string& out, double value) { appendFloating(out, value); }

void appendCopyValue(std::string& out, const jet::Value& v, std::size_t& replaced) {
  switch (v.kind()) {
    case jet::ValueKind::Null: out += "\\N"; return;
    case jet::ValueKind::Boolean: out += v.asBoolean() ? 't' : 'f'; return;
    case jet::ValueKind::Byte: appendInteger(out, static_cast<unsigned>(v.asByte())); return;
    case jet::ValueKind::Integer: appendInteger(out, v.asInteger()); return;
    case jet::ValueKind::Long: appendInteger(out, v.asLong()); return;
    case jet::ValueKind::Currency: appendCurrency(out, v.asCurrency()); return;
    case jet::ValueKind::Single: appendFloating(out, v.asSingle()); return;
    case jet::ValueKind::Double: appendFloating(out, v.asDouble()); return;
    case jet::ValueKind::DateTime: appendDateTime(out, v.asDateTime(), ' '); return;
    case jet::ValueKind::Text: appendCopyText(out, v.asText(), replaced); return;
    case jet::ValueKind::Binary: {
      // bytea's hex form "\x0a1b", its backslash doubled for COPY.
      out += "\\\\x";
      for (std::uint8_t b : v.asBinary()) {
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
      }
      return;
    }
    case jet::ValueKind::Guid: out += v.asGuid().toString(); return;
    case jet::ValueKind::Decimal: out += v.asDecimal().toString(); return;
  }
}

}  // namespace qbmigrate
