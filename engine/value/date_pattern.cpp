// Date and time patterns: writing a date with a pattern in either dialect, the
// general date form, and the order of day, month and year in a pattern.
#include <cmath>
#include <string>

#include "jet/value_text.h"

namespace jet {

namespace {

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

void appendNumber(std::u16string& out, int value, int digits) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
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

bool opensQuote(char16_t c, PatternDialect dialect) {
  return c == u'"' || (c == u'\'' && dialect == PatternDialect::Display);
}

// The first position of the pattern outside quoted text at which `found(i)`
// holds, or npos.
template <typename Found>
std::size_t findUnquoted(std::u16string_view pattern, PatternDialect dialect, Found found) {
  char16_t quote = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (opensQuote(c, dialect)) {
      quote = c;
    } else if (dialect == PatternDialect::Format && c == u'\\') {
      ++i;
    } else if (found(i)) {
      return i;
    }
  }
  return std::u16string_view::npos;
}

// The length of the half-of-day token at `i` (am/pm, a/p, ampm), or 0.
std::size_t halfOfDayToken(std::u16string_view pattern, std::size_t i) {
  if (startsWithNoCase(pattern, i, u"am/pm")) return 5;
  if (startsWithNoCase(pattern, i, u"a/p")) return 3;
  if (startsWithNoCase(pattern, i, u"ampm")) return 4;
  return 0;
}

// Day of the week, Sunday = 0, of a calendar date.
int dayOfWeek(const CivilDateTime& c) {
  const auto day = static_cast<long long>(std::floor(fromCivil({c.year, c.month, c.day, 0, 0, 0, 0}).days));
  // Day 0 (1899-12-30) was a Saturday.
  return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

int dayOfYear(const CivilDateTime& c) {
  const double day = fromCivil({c.year, c.month, c.day, 0, 0, 0, 0}).days;
  const double first = fromCivil({c.year, 1, 1, 0, 0, 0, 0}).days;
  return static_cast<int>(std::llround(day - first)) + 1;
}

class PatternWriter {
 public:
  PatternWriter(const TextLocale& locale, DateTime value) : locale_(locale), civil_(toCivil(value)), value_(value) {}

  void write(std::u16string_view pattern, PatternDialect dialect, std::u16string& out, int depth) {
    const bool format = dialect == PatternDialect::Format;
    const bool twelveHours =
        findUnquoted(pattern, dialect, [&](std::size_t i) { return halfOfDayToken(pattern, i) != 0; }) !=
        std::u16string_view::npos;
    char16_t lastToken = 0;  // the letter token before, for m after h
    bool afterHour = false;  // Format: an hour came before, with only ':' and ' ' since
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char16_t c = pattern[i];
      if (opensQuote(c, dialect)) {
        const std::size_t end = pattern.find(c, i + 1);
        const std::size_t stop = end == std::u16string_view::npos ? pattern.size() : end;
        out.append(pattern.substr(i + 1, stop - i - 1));
        i = stop == pattern.size() ? stop : stop + 1;
        continue;
      }
      if (format && c == u'\\' && i + 1 < pattern.size()) {
        out += pattern[i + 1];
        i += 2;
        continue;
      }
      if (const std::size_t used = halfOfDayToken(pattern, i)) {
        writeHalfOfDay(pattern, i, used, out);
        lastToken = u'A';
        i += used;
        continue;
      }
      char16_t token = upper(c);
      if (!format && isLetter(c)) {
        if (token == u'M' && lastToken == u'H') token = u'N';
        lastToken = token;
      }
      const std::size_t count = runLength(pattern, i);
      if (format && token == u'M' && count <= 2 && (afterHour || secondsFollow(pattern, i + count))) token = u'N';
      if (!knows(token, dialect)) token = 0;
      switch (token) {
        case u'D':
          writeDay(count, out, depth);
          break;
        case u'M':
          writeMonth(count, out);
          break;
        case u'Y':
          writeYear(count, format, out);
          break;
        case u'H': {
          int hour = civil_.hour;
          if (twelveHours) hour = hour % 12 == 0 ? 12 : hour % 12;
          appendNumber(out, hour, count >= 2 ? 2 : 1);
          break;
        }
        case u'N':
          appendNumber(out, civil_.minute, count >= 2 ? 2 : 1);
          break;
        case u'S':
          appendNumber(out, civil_.second, count >= 2 ? 2 : 1);
          break;
        case u'Z':
          appendNumber(out, civil_.millisecond, count <= 2 ? 1 : 3);
          break;
        case u'T':
          if (depth < 2) write(count == 1 ? locale_.shortTimeFormat : locale_.longTimeFormat, PatternDialect::Display, out, depth + 1);
          break;
        case u'Q':
          appendNumber(out, (civil_.month - 1) / 3 + 1, 1);
          break;
        case u'W':
          appendNumber(out, dayOfWeek(civil_) + 1, 1);
          break;
        case u'C':
          out += generalDateText(value_, locale_);
          break;
        case u'/':
          out += locale_.dateSeparator;
          break;
        case u':':
          out += locale_.timeSeparator;
          break;
        default:
          out.append(pattern.substr(i, count));
          break;
      }
      if (format) {
        // An hour makes a following m a minute until something other than ':' or ' ' comes.
        if (token == u'H') afterHour = true;
        else if (upper(c) == u'M' || ((token == 0 || token == u'/') && c != u':' && c != u' ')) afterHour = false;
      }
      i += count;
    }
  }

 private:
  // Tokens each dialect has; the others are copied as they stand.
  static bool knows(char16_t token, PatternDialect dialect) {
    switch (token) {
      case u'D': case u'M': case u'Y': case u'H': case u'N': case u'S': case u'/': case u':': return true;
      case u'Z': case u'T': return dialect == PatternDialect::Display;
      case u'Q': case u'W': case u'C': return dialect == PatternDialect::Format;
      default: return false;
    }
  }

  static std::size_t runLength(std::u16string_view pattern, std::size_t i) {
    if (!isLetter(pattern[i])) return 1;
    std::size_t k = i + 1;
    while (k < pattern.size() && upper(pattern[k]) == upper(pattern[i])) ++k;
    return k - i;
  }

  // Whether seconds come next, with only ':' and ' ' before them.
  static bool secondsFollow(std::u16string_view pattern, std::size_t j) {
    while (j < pattern.size() && (pattern[j] == u':' || pattern[j] == u' ')) ++j;
    return j < pattern.size() && upper(pattern[j]) == u'S';
  }

  void writeDay(std::size_t count, std::u16string& out, int depth) {
    switch (count) {
      case 1: appendNumber(out, civil_.day, 1); break;
      case 2: appendNumber(out, civil_.day, 2); break;
      case 3: out += locale_.shortDayNames[static_cast<std::size_t>(dayOfWeek(civil_))]; break;
      case 4: out += locale_.longDayNames[static_cast<std::size_t>(dayOfWeek(civil_))]; break;
      case 5:
        if (depth < 2) write(locale_.shortDateFormat, PatternDialect::Display, out, depth + 1);
        break;
      default:
        if (depth < 2) write(locale_.longDateFormat, PatternDialect::Display, out, depth + 1);
        break;
    }
  }

  void writeMonth(std::size_t count, std::u16string& out) {
    const auto index = static_cast<std::size_t>(civil_.month - 1);
    switch (count) {
      case 1: appendNumber(out, civil_.month, 1); break;
      case 2: appendNumber(out, civil_.month, 2); break;
      case 3: out += locale_.shortMonthNames[index]; break;
      default: out += locale_.longMonthNames[index]; break;
    }
  }

  void writeYear(std::size_t count, bool format, std::u16string& out) {
    if (format && count == 1) {
      appendNumber(out, dayOfYear(civil_), 1);
    } else if (count <= (format ? 3u : 2u)) {
      appendNumber(out, civil_.year % 100, 2);
    } else {
      appendNumber(out, civil_.year, format ? 1 : 4);
    }
  }

  // am/pm and a/p are written in the case of the pattern's own letters; ampm
  // writes the locale's words.
  void writeHalfOfDay(std::u16string_view pattern, std::size_t i, std::size_t length, std::u16string& out) {
    const bool pm = civil_.hour >= 12;
    if (length == 5) {
      out.append(pattern.substr(pm ? i + 3 : i, 2));
    } else if (length == 3) {
      out += pattern[pm ? i + 2 : i];
    } else {
      out += pm ? locale_.timePm : locale_.timeAm;
    }
  }

  const TextLocale& locale_;
  CivilDateTime civil_;
  DateTime value_;
};

}  // namespace

std::u16string writeDatePattern(std::u16string_view pattern, DateTime value, const TextLocale& locale,
                                PatternDialect dialect) {
  std::u16string out;
  PatternWriter(locale, value).write(pattern, dialect, out, 0);
  return out;
}

std::u16string generalDateText(DateTime value, const TextLocale& locale) {
  const CivilDateTime c = toCivil(value);
  if (c.year == 1899 && c.month == 12 && c.day == 30) return writeDatePattern(locale.longTimeFormat, value, locale);
  std::u16string out = writeDatePattern(locale.shortDateFormat, value, locale);
  if (c.hour != 0 || c.minute != 0 || c.second != 0) {
    out += u' ';
    out += writeDatePattern(locale.longTimeFormat, value, locale);
  }
  return out;
}

DateOrder TextLocale::dateOrder() const {
  const std::u16string_view pattern = shortDateFormat;
  const std::size_t first = findUnquoted(pattern, PatternDialect::Display, [&](std::size_t i) {
    const char16_t c = upper(pattern[i]);
    return c == u'D' || c == u'M' || c == u'Y';
  });
  if (first == std::u16string_view::npos) return DateOrder::MonthDayYear;
  switch (upper(pattern[first])) {
    case u'D': return DateOrder::DayMonthYear;
    case u'Y': return DateOrder::YearMonthDay;
    default: return DateOrder::MonthDayYear;
  }
}

const TextLocale& TextLocale::jetDefault() {
  static const TextLocale kJet;
  return kJet;
}

const TextLocale& TextLocale::iso() {
  static const TextLocale kIso = [] {
    TextLocale l;
    l.dateSeparator = u'-';
    l.shortDateFormat = u"yyyy-mm-dd";
    l.longDateFormat = u"yyyy-mm-dd";
    l.shortTimeFormat = u"hh:nn";
    l.longTimeFormat = u"hh:nn:ss";
    return l;
  }();
  return kIso;
}

}  // namespace jet
