// Format(value[, format]) with the named formats and the common custom format
// characters, in US English conventions ('.' decimal point, ',' thousands,
// month/day/year, 12-hour times with AM/PM). Date patterns are written by the
// value layer's pattern writer in its Format dialect.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "jet/text.h"
#include "sql/function_args.h"
#include "sql/function_registry.h"
#include "value/number_text.h"

namespace jet::sql {

namespace {

struct Named {
  std::u16string_view name;
  std::u16string_view format;
};

constexpr std::array<Named, 12> kNamed = {{
    {u"Currency", u"$#,##0.00;($#,##0.00)"},
    {u"Fixed", u"0.00"},
    {u"Standard", u"#,##0.00"},
    {u"Percent", u"0.00%"},
    {u"Scientific", u"0.00E+00"},
    {u"Long Date", u"dddd, mmmm d, yyyy"},
    {u"Medium Date", u"dd-mmm-yy"},
    {u"Short Date", u"m/d/yyyy"},
    {u"Long Time", u"h:nn:ss AM/PM"},
    {u"Medium Time", u"hh:nn AM/PM"},
    {u"Short Time", u"hh:nn"},
    {u"General Number", u""},
}};

// Splits a format into its ';' sections, respecting quotes and backslashes.
std::vector<std::u16string> sections(std::u16string_view f) {
  std::vector<std::u16string> out(1);
  bool quoted = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') quoted = !quoted;
    if (c == u'\\' && i + 1 < f.size()) {
      out.back() += c;
      out.back() += f[++i];
      continue;
    }
    if (c == u';' && !quoted) {
      out.emplace_back();
      continue;
    }
    out.back() += c;
  }
  return out;
}

std::string groupThousands(const std::string& digits) {
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// One section of a numeric format applied to a magnitude (the sign is handled by the caller).
std::string formatNumber(double magnitude, std::u16string_view f) {
  std::size_t intZeros = 0, fracPlaces = 0, fracZeros = 0;
  bool point = false, thousands = false, percent = false, anyDigit = false;
  int expDigits = -1;
  bool expPlus = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      const std::size_t end = f.find(u'"', i + 1);
      i = end == std::u16string_view::npos ? f.size() : end;
    } else if (c == u'\\') {
      ++i;
    } else if (c == u'0' || c == u'#') {
      anyDigit = true;
      if (point) {
        ++fracPlaces;
        if (c == u'0') fracZeros = fracPlaces;
      } else if (c == u'0') {
        ++intZeros;
      }
    } else if (c == u'.') {
      point = true;
    } else if (c == u',' && anyDigit && !point) {
      thousands = true;
    } else if (c == u'%') {
      percent = true;
    } else if ((c == u'E' || c == u'e') && i + 1 < f.size() && (f[i + 1] == u'+' || f[i + 1] == u'-')) {
      expPlus = f[i + 1] == u'+';
      expDigits = 0;
      for (std::size_t j = i + 2; j < f.size() && (f[j] == u'0' || f[j] == u'#'); ++j) ++expDigits;
      break;
    }
  }
  if (percent) magnitude *= 100;
  int exponent = 0;
  if (expDigits >= 0 && magnitude != 0) {
    exponent = static_cast<int>(std::floor(std::log10(magnitude))) - static_cast<int>(intZeros > 0 ? intZeros - 1 : 0);
    magnitude /= std::pow(10.0, exponent);
  }
  // Round half away from zero at the last placeholder, on 15 significant digits.
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(fracPlaces), magnitude + magnitude * 1e-15);
  std::string text = buf;
  std::string intPart = text.substr(0, text.find('.'));
  std::string frac = point && fracPlaces > 0 ? text.substr(text.find('.') + 1) : "";
  while (frac.size() > fracZeros && !frac.empty() && frac.back() == '0') frac.pop_back();
  if (intPart == "0" && intZeros == 0) intPart.clear();
  while (intPart.size() < intZeros) intPart.insert(0, 1, '0');
  if (thousands) intPart = groupThousands(intPart);

  std::string out;
  bool intDone = false;
  std::size_t fracIndex = 0;
  bool inFraction = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      const std::size_t end = f.find(u'"', i + 1);
      const std::size_t stop = end == std::u16string_view::npos ? f.size() : end;
      out += toUtf8(f.substr(i + 1, stop - i - 1));
      i = stop;
    } else if (c == u'\\' && i + 1 < f.size()) {
      out += toUtf8(f.substr(++i, 1));
    } else if (c == u'0' || c == u'#') {
      if (inFraction) {
        if (fracIndex < frac.size()) out += frac[fracIndex];
        ++fracIndex;
      } else if (!intDone) {
        out += intPart;
        intDone = true;
      }
    } else if (c == u'.') {
      if (!intDone) {
        out += intPart;
        intDone = true;
      }
      inFraction = true;
      out += '.';
    } else if (c == u',') {
      continue;
    } else if ((c == u'E' || c == u'e') && expDigits >= 0 && i + 1 < f.size() && (f[i + 1] == u'+' || f[i + 1] == u'-')) {
      std::string e = std::to_string(std::abs(exponent));
      while (e.size() < static_cast<std::size_t>(expDigits)) e.insert(0, 1, '0');
      out += static_cast<char>(c);
      out += exponent < 0 ? "-" : (expPlus ? "+" : "");
      out += e;
      i += 1 + static_cast<std::size_t>(expDigits);
    } else {
      out += toUtf8(f.substr(i, 1));
    }
  }
  return out;
}

std::string formatText(const std::u16string& text, std::u16string_view f) {
  std::u16string s = text;
  if (f.find(u'>') != std::u16string_view::npos) {
    for (auto& c : s) c = toUpperSimple(c);
  } else if (f.find(u'<') != std::u16string_view::npos) {
    for (auto& c : s) c = toLowerSimple(c);
  }
  std::size_t slots = 0;
  for (char16_t c : f) slots += (c == u'@' || c == u'&') ? 1 : 0;
  if (slots == 0) return toUtf8(s);
  // Placeholders fill from the right; '@' shows a space where text runs out.
  std::u16string out;
  std::size_t next = s.size() > slots ? s.size() - slots : 0;
  std::size_t left = slots;
  const std::u16string head = s.substr(0, next);
  out += head;
  for (char16_t c : f) {
    if (c == u'@' || c == u'&') {
      const std::size_t available = s.size() - next;
      if (left > available) {
        if (c == u'@') out += u' ';
      } else {
        out += s[next++];
      }
      --left;
    } else if (c != u'<' && c != u'>') {
      out += c;
    }
  }
  return toUtf8(out);
}

bool looksLikeDateFormat(std::u16string_view f) {
  for (char16_t c : f) {
    if (c == u'0' || c == u'#') return false;
  }
  for (char16_t c : f) {
    switch (c) {
      case u'd': case u'D': case u'm': case u'M': case u'y': case u'Y': case u'h': case u'H':
      case u'n': case u'N': case u's': case u'S': case u'q': case u'Q': case u'w': case u'W': return true;
      default: break;
    }
  }
  return false;
}

}  // namespace

Value formatValue(const Value& value, std::u16string_view format) {
  std::u16string_view f = format;
  if (f.empty()) return Value::text(toText(value));
  for (const auto& n : kNamed) {
    if (equalNamesNoCase(f, n.name)) {
      if (n.format.empty()) return Value::text(toText(value.kind() == ValueKind::Text ? Value::dbl(toDouble(value)) : value));
      f = n.format;
      break;
    }
  }
  if (equalNamesNoCase(f, u"General Date")) return Value::text(generalDateText(toDateTime(value), TextLocale::jetDefault()));
  for (auto [name, yes, no] : {std::array<std::u16string_view, 3>{u"Yes/No", u"Yes", u"No"},
                               std::array<std::u16string_view, 3>{u"True/False", u"True", u"False"},
                               std::array<std::u16string_view, 3>{u"On/Off", u"On", u"Off"}}) {
    if (equalNamesNoCase(f, name)) return Value::text(std::u16string(truth(value) == Tri::True ? yes : no));
  }
  const bool numeric = isNumberKind(value.kind()) || value.kind() == ValueKind::Boolean ||
                       (value.kind() == ValueKind::Text && parseNumberText(value.asText()));
  if (value.kind() == ValueKind::DateTime || (!numeric && looksLikeDateFormat(f))) {
    if (value.kind() == ValueKind::Text && !looksLikeDateFormat(f)) return Value::text(fromUtf8(formatText(value.asText(), f)));
    return Value::text(writeDatePattern(f, toDateTime(value), TextLocale::jetDefault(), PatternDialect::Format));
  }
  if (!numeric) return Value::text(fromUtf8(formatText(textArg(value), f)));
  const double d = toDouble(value);
  const auto parts = sections(f);
  std::string out;
  if (d < 0) {
    if (parts.size() >= 2 && !parts[1].empty()) out = formatNumber(-d, parts[1]);
    else out = "-" + formatNumber(-d, parts[0]);
  } else if (d == 0 && parts.size() >= 3 && !parts[2].empty()) {
    out = formatNumber(0, parts[2]);
  } else {
    out = formatNumber(d, parts[0]);
  }
  return Value::text(fromUtf8(out));
}

}  // namespace jet::sql
