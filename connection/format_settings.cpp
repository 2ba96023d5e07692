// Date and time patterns: writing a Jet date with a pattern, reading the order
// of day, month and year from one, and turning a locale library's patterns
// into ours.
#include "connection/format_settings.h"

#include <cmath>
#include <string>

namespace qb {

namespace {

char16_t upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}
bool isLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

void appendNumber(std::u16string& out, int value, int digits) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits)
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  out.append(text.begin(), text.end());
}

// Case-insensitive test of `word` at position `i` of `pattern`.
bool startsWithNoCase(std::u16string_view pattern, std::size_t i, std::u16string_view word) {
  if (pattern.size() - i < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (upper(pattern[i + k]) != upper(word[k])) return false;
  }
  return true;
}

// The first position of the pattern outside quoted text ('…' or "…") at which
// `found(i)` holds, or npos.
template <typename Found>
std::size_t findUnquoted(std::u16string_view pattern, Found found) {
  char16_t quote = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (found(i)) {
      return i;
    }
  }
  return std::u16string_view::npos;
}

// Whether the pattern shows the half of the day, so hours count 1-12.
bool usesTwelveHours(std::u16string_view pattern) {
  return findUnquoted(pattern, [&](std::size_t i) {
           return startsWithNoCase(pattern, i, u"am/pm") || startsWithNoCase(pattern, i, u"a/p") ||
                  startsWithNoCase(pattern, i, u"ampm");
         }) != std::u16string_view::npos;
}

// Day of the week, Sunday = 0, of a calendar date.
int dayOfWeek(const jet::CivilDateTime& c) {
  jet::CivilDateTime midnight = c;
  midnight.hour = midnight.minute = midnight.second = midnight.millisecond = 0;
  const auto day = static_cast<long long>(std::floor(jet::fromCivil(midnight).days));
  // Day 0 (1899-12-30) was a Saturday.
  return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

class PatternWriter {
 public:
  PatternWriter(const FormatSettings& settings, jet::DateTime value)
      : settings_(settings), civil_(jet::toCivil(value)) {}

  void write(std::u16string_view pattern, std::u16string& out, int depth) {
    const bool twelveHours = usesTwelveHours(pattern);
    char16_t lastToken = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char16_t c = pattern[i];
      char16_t token = upper(c);
      if (isLetter(c)) {
        if (token == u'M' && lastToken == u'H') token = u'N';
        lastToken = token;
      }
      const std::size_t count = runLength(pattern, i);
      switch (token) {
        case u'D':
          writeDay(count, out, depth);
          i += count;
          break;
        case u'M':
          writeMonth(count, out);
          i += count;
          break;
        case u'Y':
          if (count <= 2) {
            appendNumber(out, civil_.year % 100, 2);
          } else {
            appendNumber(out, civil_.year, 4);
          }
          i += count;
          break;
        case u'H': {
          int hour = civil_.hour;
          if (twelveHours) hour = hour % 12 == 0 ? 12 : hour % 12;
          appendNumber(out, hour, count >= 2 ? 2 : 1);
          i += count;
          break;
        }
        case u'N':
          appendNumber(out, civil_.minute, count >= 2 ? 2 : 1);
          i += count;
          break;
        case u'S':
          appendNumber(out, civil_.second, count >= 2 ? 2 : 1);
          i += count;
          break;
        case u'Z':
          appendNumber(out, civil_.millisecond, count <= 2 ? 1 : 3);
          i += count;
          break;
        case u'T':
          if (depth < 2)
            write(count == 1 ? settings_.shortTimeFormat : settings_.longTimeFormat, out, depth + 1);
          i += count;
          break;
        case u'A':
          i += writeHalfOfDay(pattern, i, out);
          break;
        case u'/':
          out += settings_.dateSeparator;
          ++i;
          break;
        case u':':
          out += settings_.timeSeparator;
          ++i;
          break;
        case u'"':
        case u'\'': {
          const std::size_t end = pattern.find(c, i + 1);
          const std::size_t stop = end == std::u16string_view::npos ? pattern.size() : end;
          out.append(pattern.substr(i + 1, stop - i - 1));
          i = stop == pattern.size() ? stop : stop + 1;
          break;
        }
        default:
          out += c;
          ++i;
          break;
      }
    }
  }

 private:
  static std::size_t runLength(std::u16string_view pattern, std::size_t i) {
    if (!isLetter(pattern[i])) return 1;
    std::size_t k = i + 1;
    while (k < pattern.size() && upper(pattern[k]) == upper(pattern[i])) ++k;
    return k - i;
  }

  void writeDay(std::size_t count, std::u16string& out, int depth) {
    switch (count) {
      case 1:
        appendNumber(out, civil_.day, 1);
        break;
      case 2:
        appendNumber(out, civil_.day, 2);
        break;
      case 3:
        out += settings_.shortDayNames[static_cast<std::size_t>(dayOfWeek(civil_))];
        break;
      case 4:
        out += settings_.longDayNames[static_cast<std::size_t>(dayOfWeek(civil_))];
        break;
      case 5:
        if (depth < 2) write(settings_.shortDateFormat, out, depth + 1);
        break;
      default:
        if (depth < 2) write(settings_.longDateFormat, out, depth + 1);
        break;
    }
  }

  void writeMonth(std::size_t count, std::u16string& out) {
    const auto index = static_cast<std::size_t>(civil_.month - 1);
    switch (count) {
      case 1:
        appendNumber(out, civil_.month, 1);
        break;
      case 2:
        appendNumber(out, civil_.month, 2);
        break;
      case 3:
        out += settings_.shortMonthNames[index];
        break;
      default:
        out += settings_.longMonthNames[index];
        break;
    }
  }

  // Writes am/pm, a/p or ampm at `i`; answers the characters used.
  std::size_t writeHalfOfDay(std::u16string_view pattern, std::size_t i, std::u16string& out) {
    const bool pm = civil_.hour >= 12;
    if (startsWithNoCase(pattern, i, u"am/pm")) {
      // Written in the case of the pattern's own letters.
      const std::u16string_view word = pattern.substr(pm ? i + 3 : i, 2);
      out.append(word);
      return 5;
    }
    if (startsWithNoCase(pattern, i, u"a/p")) {
      out += pattern[pm ? i + 2 : i];
      return 3;
    }
    if (startsWithNoCase(pattern, i, u"ampm")) {
      out += pm ? settings_.timePm : settings_.timeAm;
      return 4;
    }
    out += pattern[i];
    return 1;
  }

  const FormatSettings& settings_;
  jet::CivilDateTime civil_;
};

// Appends a literal to one of our patterns, quoting what would read as a token.
void appendLiteral(std::u16string& out, char16_t c) {
  if (isLetter(c) || c == u'/' || c == u':') {
    out += u'"';
    out += c;
    out += u'"';
  } else if (c == u'"') {
    out += u"'\"'";
  } else if (c == u'\'') {
    out += u"\"'\"";
  } else {
    out += c;
  }
}

// Converts one pattern from the locale library's notation; `separator`
// receives the first separator character met (when still 0).
std::u16string convertLocalePattern(std::u16string_view pattern, char16_t& separator) {
  std::u16string out;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      // Quoted literal; '' is a quote (inside and outside quotes).
      if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
        appendLiteral(out, u'\'');
        i += 2;
        continue;
      }
      std::size_t k = i + 1;
      while (k < pattern.size()) {
        if (pattern[k] == u'\'') {
          if (k + 1 < pattern.size() && pattern[k + 1] == u'\'') {
            appendLiteral(out, u'\'');
            k += 2;
            continue;
          }
          break;
        }
        appendLiteral(out, pattern[k]);
        ++k;
      }
      i = k + 1;
      continue;
    }
    std::size_t count = 1;
    while (i + count < pattern.size() && pattern[i + count] == c) ++count;
    switch (c) {
      case u'd':
        out.append(std::min<std::size_t>(count, 4), u'd');
        break;
      case u'M':
        out.append(std::min<std::size_t>(count, 4), u'm');
        break;
      case u'y':
        out.append(count <= 2 ? 2 : 4, u'y');
        break;
      case u'h':
      case u'H':
        out.append(std::min<std::size_t>(count, 2), u'h');
        break;
      case u'm':
        out.append(std::min<std::size_t>(count, 2), u'n');
        break;
      case u's':
        out.append(std::min<std::size_t>(count, 2), u's');
        break;
      case u'z':
        out.append(count >= 3 ? 3 : 1, u'z');
        break;
      case u'A':
      case u'a': {
        const bool lower = c == u'a';
        std::size_t used = 1;
        if (i + 1 < pattern.size() && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p')) used = 2;
        out += lower ? u"am/pm" : u"AMPM";
        i += used;
        continue;
      }
      case u't':
        // The time zone has no place in these settings; drop it with the blank before it.
        while (!out.empty() && out.back() == u' ') out.pop_back();
        break;
      default:
        for (std::size_t k = 0; k < count; ++k) {
          if (separator == 0 && !isLetter(c) && c != u' ') separator = c;
          appendLiteral(out, c);
        }
        break;
    }
    i += count;
  }
  return out;
}

}  // namespace

std::u16string formatDateTime(std::u16string_view pattern, jet::DateTime value,
                              const FormatSettings& settings) {
  std::u16string out;
  PatternWriter(settings, value).write(pattern, out, 0);
  return out;
}

FormatSettings FormatSettings::fromLocalePatterns(std::u16string_view shortDate, std::u16string_view longTime,
                                                  char16_t decimalPoint) {
  FormatSettings s;
  s.decimalSeparator = decimalPoint;
  char16_t dateSeparator = 0;
  char16_t timeSeparator = 0;
  s.shortDateFormat = convertLocalePattern(shortDate, dateSeparator);
  s.longTimeFormat = convertLocalePattern(longTime, timeSeparator);
  if (dateSeparator != 0) s.dateSeparator = dateSeparator;
  if (timeSeparator != 0) s.timeSeparator = timeSeparator;
  // A short time pattern: the long one without its seconds.
  std::u16string shortTime = s.longTimeFormat;
  if (const std::size_t at = shortTime.find(u's'); at != std::u16string::npos) {
    std::size_t from = at;
    while (from > 0 && !isLetter(shortTime[from - 1])) --from;
    std::size_t to = at;
    while (to < shortTime.size() && shortTime[to] == u's') ++to;
    shortTime.erase(from, to - from);
  }
  s.shortTimeFormat = shortTime;
  return s;
}

jet::DateOrder FormatSettings::dateOrder() const {
  const std::u16string_view pattern = shortDateFormat;
  const std::size_t first = findUnquoted(pattern, [&](std::size_t i) {
    const char16_t c = upper(pattern[i]);
    return c == u'D' || c == u'M' || c == u'Y';
  });
  if (first == std::u16string_view::npos) return jet::DateOrder::MonthDayYear;
  switch (upper(pattern[first])) {
    case u'D':
      return jet::DateOrder::DayMonthYear;
    case u'Y':
      return jet::DateOrder::YearMonthDay;
    default:
      return jet::DateOrder::MonthDayYear;
  }
}

}  // namespace qb
