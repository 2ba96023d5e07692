// Reading numbers typed as text.
#include "value/number_text.h"

#include <charconv>
#include <cmath>

namespace jet {

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0; }

std::u16string_view trim(std::u16string_view t) {
  while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
  return t;
}

// The number's parts: sign, digits without group separators, position of the
// point in them, exponent.
struct NumberParts {
  bool negative = false;
  std::string digits;
  int fractionDigits = 0;
  int exponent = 0;
};

std::optional<NumberParts> splitNumber(std::u16string_view text) {
  text = trim(text);
  NumberParts p;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) p.negative = text[i++] == u'-';
  bool point = false;
  bool any = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      p.digits.push_back(static_cast<char>(c));
      if (point) ++p.fractionDigits;
      any = true;
    } else if (c == u'.' && !point) {
      point = true;
    } else if (c == u',' && !point && any) {
      continue;  // group separator
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
    ++i;
    bool negExp = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negExp = text[i++] == u'-';
    if (i >= text.size()) return std::nullopt;
    int e = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      if (e < 100000) e = e * 10 + (text[i] - u'0');
    }
    p.exponent = negExp ? -e : e;
  }
  if (i != text.size()) return std::nullopt;
  return p;
}

std::optional<double> parseRadix(std::u16string_view text) {
  const bool hex = text[1] == u'h' || text[1] == u'H';
  if (!hex && text[1] != u'o' && text[1] != u'O') return std::nullopt;
  const int radix = hex ? 16 : 8;
  if (text.size() < 3 || text.size() > 2 + (radix == 16 ? 8 : 11)) return std::nullopt;
  unsigned long long v = 0;
  for (std::size_t i = 2; i < text.size(); ++i) {
    const char16_t c = text[i];
    int d = -1;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
    if (d < 0 || d >= radix) return std::nullopt;
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
  }
  // Like Jet, eight hex digits are a 32-bit pattern: &HFFFFFFFF is -1.
  if (v > 0xFFFFFFFFull) return std::nullopt;
  if (v > 0x7FFFFFFF) return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
  return static_cast<double>(v);
}

// The decimal exponent of the first significant digit (value = 0.DIGITS x
// 10^e); only its sign matters to the caller. Zero counts as 0.
int magnitudeExponent(const NumberParts& p) {
  const std::size_t first = p.digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  const int integerDigits = static_cast<int>(p.digits.size()) - p.fractionDigits - static_cast<int>(first);
  return integerDigits + p.exponent;
}

}  // namespace

std::optional<double> parseNumberText(std::u16string_view text) {
  const auto t = trim(text);
  if (t.size() >= 2 && t[0] == u'&') return parseRadix(t);
  auto p = splitNumber(t);
  if (!p) return std::nullopt;
  std::string s = p->negative ? "-" : "";
  s += p->digits.substr(0, p->digits.size() - static_cast<std::size_t>(p->fractionDigits));
  if (p->fractionDigits > 0) s += "." + p->digits.substr(p->digits.size() - static_cast<std::size_t>(p->fractionDigits));
  s += "e" + std::to_string(p->exponent);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc::result_out_of_range && magnitudeExponent(*p) < 0) return p->negative ? -0.0 : 0.0;
  if (r.ec != std::errc() || !std::isfinite(v)) return std::nullopt;
  return v;
}

bool isNumberText(std::u16string_view text) {
  const auto t = trim(text);
  if (t.size() >= 2 && t[0] == u'&') return parseRadix(t).has_value();
  return splitNumber(t).has_value();
}

std::u16string_view withDecimalPoint(std::u16string_view text, char16_t separator, std::u16string& buffer) {
  if (separator == u'.' || text.find(u'.') != std::u16string_view::npos ||
      text.find(separator) == std::u16string_view::npos) {
    return text;
  }
  buffer.assign(text);
  for (char16_t& c : buffer) {
    if (c == separator) c = u'.';
  }
  return buffer;
}

std::optional<Decimal> parseDecimalText(std::u16string_view text) {
  auto p = splitNumber(text);
  if (!p) return std::nullopt;
  int scale = p->fractionDigits - p->exponent;
  std::string digits = p->digits;
  while (scale > 0 && digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
    --scale;
  }
  if (scale < 0) {
    if (scale < -38) return std::nullopt;
    digits.append(static_cast<std::size_t>(-scale), '0');
    scale = 0;
  }
  if (scale > 28) return std::nullopt;
  Decimal d;
  int significant = 0;
  for (char c : digits) {
    if (significant > 0 || c != '0') ++significant;
    if (significant > 28) return std::nullopt;
    d.magnitude = d.magnitude * 10 + static_cast<unsigned>(c - '0');
  }
  d.scale = static_cast<std::uint8_t>(scale);
  d.negative = p->negative;
  d.normalise();
  return d;
}

}  // namespace jet
