// Writing numbers as text: the layout of floating point digits in a style, and
// exact text of Currency and Decimal values.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "jet/value_text.h"
#include "value/number_text.h"

namespace jet {

namespace {

// Writes significant digits (no leading or trailing zeros, at least one) with
// the decimal exponent `exponent` (value = 0.DIGITS x 10^exponent).
std::string layoutDigits(bool negative, std::string_view digits, int exponent, const FloatTextStyle& style) {
  std::string out = negative ? "-" : "";
  const int count = static_cast<int>(digits.size());
  if (exponent > style.maxFixedExponent || exponent < style.minFixedExponent) {
    out += digits[0];
    if (count > 1) {
      out += '.';
      out.append(digits.substr(1));
    }
    out += 'E';
    const int shown = exponent - 1;
    out += shown < 0 ? "-" : (style.exponentPlus ? "+" : "");
    std::string e = std::to_string(std::abs(shown));
    if (static_cast<int>(e.size()) < style.exponentDigits) e.insert(0, static_cast<std::size_t>(style.exponentDigits) - e.size(), '0');
    return out + e;
  }
  if (exponent <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent), '0');
    return out.append(digits);
  }
  for (int i = 0; i < std::max(count, exponent); ++i) {
    if (i == exponent) out += '.';
    out += i < count ? digits[static_cast<std::size_t>(i)] : '0';
  }
  return out;
}

// Lays out "d.dddde[+-]x", the scientific form printf and to_chars write.
std::string layoutScientific(std::string_view text, const FloatTextStyle& style) {
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
  std::from_chars(exponentText.data() + (exponentText[0] == '+' ? 1 : 0), exponentText.data() + exponentText.size(),
                  exponent);
  return layoutDigits(negative, digits, exponent + 1, style);
}

std::optional<std::string> specialFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  return std::nullopt;
}

template <typename Float>
std::string formatFloatAs(Float value, const FloatTextStyle& style) {
  if (auto special = specialFloatText(static_cast<double>(value))) return *special;
  char buffer[48];
  if (style.digits > 0) {
    std::snprintf(buffer, sizeof buffer, "%.*e", style.digits - 1, static_cast<double>(value));
    return layoutScientific(buffer, style);
  }
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  return layoutScientific(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)), style);
}

std::u16string withSeparator(const std::string& text, char16_t separator) {
  std::u16string out(text.begin(), text.end());
  if (separator != u'.') {
    for (char16_t& c : out) {
      if (c == u'.') c = separator;
    }
  }
  return out;
}

std::string trimFraction(std::string s) {
  if (s.find('.') == std::string::npos) return s;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

std::u16string floatText(double value, const FloatTextStyle& style, char16_t decimalSeparator) {
  return withSeparator(formatFloatAs(value, style), decimalSeparator);
}

std::u16string floatText(float value, const FloatTextStyle& style, char16_t decimalSeparator) {
  return withSeparator(formatFloatAs(value, style), decimalSeparator);
}

std::u16string exactText(Currency value, char16_t decimalSeparator) {
  return withSeparator(trimFraction(value.toString()), decimalSeparator);
}

std::u16string exactText(const Decimal& value, char16_t decimalSeparator) {
  return withSeparator(trimFraction(value.toString()), decimalSeparator);
}

std::string formatDouble(double value) { return formatFloatAs(value, kJetDoubleText); }

std::string formatSingle(float value) { return formatFloatAs(value, kJetSingleText); }

std::string formatCurrency(Currency value) { return trimFraction(value.toString()); }

std::string formatDecimal(const Decimal& value) { return trimFraction(value.toString()); }

}  // namespace jet
