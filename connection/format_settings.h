// FormatSettings: the user's number, date and time conventions that the value
// text forms follow, and the date/time format patterns they are written in:
// the engine's text locale (jet/value_text.h, where the pattern letters are
// described), filled from the system's locale.
#pragma once

#include <string>
#include <string_view>

#include "jet/value.h"
#include "jet/value_text.h"

namespace qb {

struct FormatSettings : jet::TextLocale {
  // Settings from patterns in the notation of common locale libraries (Qt's
  // QLocale::dateFormat/timeFormat): d dd ddd dddd, M MM MMM MMMM, yy yyyy,
  // h hh (12-hour with AP) H HH, m mm, s ss, z zzz, AP ap A a, t (time zone,
  // dropped), '...' literals ('' is a quote). The date and time separators are
  // the first non-letter characters of the patterns; the pattern's own
  // separators are kept as they stand. Names stay English unless set after.
  static FormatSettings fromLocalePatterns(std::u16string_view shortDate, std::u16string_view longTime,
                                           char16_t decimalPoint);
};

// Writes a date and time with a pattern (the Display dialect of jet/value_text.h).
std::u16string formatDateTime(std::u16string_view pattern, jet::DateTime value,
                              const FormatSettings& settings);

}  // namespace qb
