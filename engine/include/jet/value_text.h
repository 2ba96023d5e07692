// Values as text and text as values, under a locale: the conventions behind
// CStr and CDate in expressions, behind what a person types into a grid cell or
// a Locate box, and behind the date and time patterns of displays and of the
// Format function.
//
// Date and time patterns (the letters' case does not matter):
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
//   am/pm a/p ampm  the half of the day ("am/pm" and "a/p" keep the case as
//                   written, "ampm" writes timeAm / timePm)
//   /  :            the date separator / the time separator
//   "..." '...'     literal text; any other character is copied
// The Format function's dialect differs in a few letters: y is the day of the
// year and yyy two digits of the year; q is the quarter, w the day of the week
// (1 = Sunday) and c the general date; m and mm before seconds are minutes
// too; a backslash takes the next character literally, and ' is an ordinary
// character; z and t have no meaning.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "jet/value.h"

namespace jet {

// How dates written with numbers only ("5/1/2003") are read when they are not
// year-first.
enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// A locale's number, date and time conventions. Reading text uses the decimal
// separator and the order of the short date; writing uses the patterns, the
// separators and the names.
struct TextLocale {
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

  // The order of day, month and year in the short date pattern, for reading
  // dates typed with numbers only ("5/1/2003").
  DateOrder dateOrder() const;

  // Jet's own conventions (US English), which CStr, CDate and Format follow.
  static const TextLocale& jetDefault();
  // The engine API's text forms, e.g. for values written from a script:
  // '.' decimals and ISO dates and times ("2003-01-05", "2003-01-05 10:30:00").
  static const TextLocale& iso();
};

enum class PatternDialect {
  Display,  // the letters in the table above
  Format,   // the Format function's letters
};

// Writes a date and time with a pattern (see the top of this file). Patterns the
// locale holds (ddddd, tt, ...) are read in the Display dialect.
std::u16string writeDatePattern(std::u16string_view pattern, DateTime value, const TextLocale& locale,
                                PatternDialect dialect = PatternDialect::Display);

// The general date form: the short date, then a blank and the long time unless
// the time is midnight; on day 0 (1899-12-30) the long time alone.
std::u16string generalDateText(DateTime value, const TextLocale& locale);

// How a floating point number is written. Jet's CStr form and a dataset's
// display form differ in where exponent notation starts and how the exponent
// is written ("1E+15", "1.5E-07" against "1E15", "1.5E-7").
struct FloatTextStyle {
  int digits;            // significant digits; 0: the fewest that read back as the same value
  int minFixedExponent;  // fixed notation while the decimal exponent e (value =
  int maxFixedExponent;  //   0.DIGITS x 10^e) lies within [min, max]
  bool exponentPlus;     // "E+15" rather than "E15"
  int exponentDigits;    // at least this many exponent digits
};

// CStr: 15 (Double) and 7 (Single) significant digits, fixed notation from
// 0.0001 up to the digits' own length.
inline constexpr FloatTextStyle kJetDoubleText{15, -3, 15, true, 2};
inline constexpr FloatTextStyle kJetSingleText{7, -3, 7, true, 2};

// A floating point number as text in a style, with a decimal separator; zero
// is "0", NaN and the infinities are "NAN", "INF" and "-INF".
std::u16string floatText(double value, const FloatTextStyle& style, char16_t decimalSeparator = u'.');
std::u16string floatText(float value, const FloatTextStyle& style, char16_t decimalSeparator = u'.');
// Currency and Decimal values exactly, without trailing zeros in the fraction
// ("1.5", "-3", "0.0001").
std::u16string exactText(Currency value, char16_t decimalSeparator = u'.');
std::u16string exactText(const Decimal& value, char16_t decimalSeparator = u'.');

// Converts what a person typed to a value of a column's type, e.g. for Locate
// and the grid: numbers with the locale's decimal separator (or '.', exact for
// Currency and Decimal, within range for the integer types, never rounded),
// dates and times in the usual text forms with the short date's order,
// Booleans (True/False, Yes/No, On/Off, or a number: non-zero is True), GUIDs
// with or without braces. Text and Memo take the text as it is. nullopt when
// the text does not convert, or the type (Binary, OLE) cannot be typed as text.
std::optional<Value> valueFromText(std::u16string_view text, DataType type,
                                   const TextLocale& locale = TextLocale::jetDefault());

}  // namespace jet
