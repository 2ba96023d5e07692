// FormatSettings: the user's number, date and time conventions that the value
// text forms follow, and the date/time format patterns they are written in.
//
// Patterns use the classic dataset format letters (case does not matter):
//   d dd ddd dddd   day: 1-31, 01-31, short day name, long day name
//   ddddd dddddd    the whole short date / long date pattern
//   m mm mmm mmmm   month: 1-12, 01-12, short name, long name; right after an
//                   hour (h or hh, with or without a literal between) m and mm
//                   mean minutes
//   yy yyyy         year: two digits, four digits
//   h hh            hour: 0-23 / 00-23, or 1-12 / 01-12 when the pattern holds
//                   am/pm, a/p or ampm
//   n nn            minute: 0-59, 00-59
//   s ss            second: 0-59, 00-59
//   z zzz           millisecond: 0-999, 000-999
//   t tt            the whole short time / long time pattern
//   am/pm a/p ampm  the half of the day ("am/pm" keeps the case as written,
//                   "ampm" writes timeAm / timePm)
//   /  :            the date separator / the time separator
//   "..." '...'     literal text; any other character is copied
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "jet/expression.h"
#include "jet/value.h"

namespace qb {

struct FormatSettings {
  char16_t decimalSeparator = u'.';
  char16_t dateSeparator = u'/';
  char16_t timeSeparator = u':';
  std::u16string shortDateFormat = u"m/d/yyyy";
  std::u16string longDateFormat = u"dddd, mmmm d, yyyy";
  std::u16string shortTimeFormat = u"h:nn AMPM";
  std::u16string longTimeFormat = u"h:nn:ss AMPM";
  std::u16string timeAm = u"AM";
  std::u16string timePm = u"PM";
  std::array<std::u16string, 12> shortMonthNames{u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                 u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  std::array<std::u16string, 12> longMonthNames{u"January",   u"February", u"March",    u"April",
                                                u"May",       u"June",     u"July",     u"August",
                                                u"September", u"October",  u"November", u"December"};
  // Sunday first.
  std::array<std::u16string, 7> shortDayNames{u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  std::array<std::u16string, 7> longDayNames{u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                             u"Thursday", u"Friday", u"Saturday"};

  // Settings from patterns in the notation of common locale libraries (Qt's
  // QLocale::dateFormat/timeFormat): d dd ddd dddd, M MM MMM MMMM, yy yyyy,
  // h hh (12-hour with AP) H HH, m mm, s ss, z zzz, AP ap A a, t (time zone,
  // dropped), '...' literals ('' is a quote). The date and time separators are
  // the first non-letter characters of the patterns; the pattern's own
  // separators are kept as they stand. Names stay English unless set after.
  static FormatSettings fromLocalePatterns(std::u16string_view shortDate, std::u16string_view longTime,
                                           char16_t decimalPoint);

  // The order of day, month and year in the short date pattern, for reading
  // dates typed with numbers only ("5/1/2003").
  jet::DateOrder dateOrder() const;
};

// Writes a date and time with a pattern (see the top of this file).
std::u16string formatDateTime(std::u16string_view pattern, jet::DateTime value,
                              const FormatSettings& settings);

}  // namespace qb
