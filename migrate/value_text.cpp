// Encoders of the value text forms; see value_text.h.
#include "migrate/value_text.h"


namespace qbmigrate {

namespace {

void twoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10);
  out += static_cast<char>('0' + v % 10);
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


}  // namespace qbmigrate
