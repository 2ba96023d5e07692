// Turning a locale library's date and time patterns into ours; the engine's
// pattern writer writes dates with them.
#include "connection/format_settings.h"

#include <algorithm>
#include <string>

namespace qb {

namespace {

bool isLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

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

// A letter of the locale library's notation that is one of ours, written at
// most `most` times.
struct Letter {
  char16_t theirs;
  char16_t ours;
  std::size_t most;
};

constexpr Letter kLetters[] = {{u'd', u'd', 4}, {u'M', u'm', 4}, {u'h', u'h', 2},
                               {u'H', u'h', 2}, {u'm', u'n', 2}, {u's', u's', 2}};

const Letter* letterOf(char16_t c) {
  for (const Letter& l : kLetters) {
    if (l.theirs == c) return &l;
  }
  return nullptr;
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
    if (const Letter* letter = letterOf(c)) {
      out.append(std::min(count, letter->most), letter->ours);
      i += count;
      continue;
    }
    switch (c) {
      case u'y':
        out.append(count <= 2 ? 2 : 4, u'y');
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
  return jet::writeDatePattern(pattern, value, settings);
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

}  // namespace qb
