// The two text forms of values for every type, number texts at their edges,
// dates before 1900, on day zero and negative, and date patterns.
#include <gtest/gtest.h>

#include <limits>

#include "connection/format_settings.h"
#include "connection/value_text.h"
#include "jet/error.h"
#include "jet/text.h"

namespace {

using jet::Value;
using qb::csvText;
using qb::fieldText;
using qb::FormatSettings;
using enum qb::TFieldType;

jet::DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return jet::fromCivil(jet::CivilDateTime{y, mo, d, h, mi, s, 0});
}

FormatSettings european() {
  FormatSettings s;
  s.decimalSeparator = u',';
  s.shortDateFormat = u"dd/mm/yyyy";
  s.longTimeFormat = u"hh:nn:ss";
  return s;
}

TEST(NumberText, DoublesUseFifteenDigitsAndExponentsOutsideTheFixedRange) {
  const std::vector<std::pair<double, std::u16string>> cases{
      {0.0, u"0"},
      {-0.0, u"0"},
      {1.5, u"1.5"},
      {-2.25, u"-2.25"},
      {100.0, u"100"},
      {0.1 + 0.2, u"0.3"},
      {1.0 / 3, u"0.333333333333333"},
      {2.0 / 3, u"0.666666666666667"},
      {123456789012345.0, u"123456789012345"},
      {999999999999999.0, u"999999999999999"},
      {1e15, u"1E15"},
      {1234567890123456.0, u"1.23456789012346E15"},
      {1e20, u"1E20"},
      {0.0001, u"0.0001"},
      {0.00012345, u"0.00012345"},
      {0.00001, u"0.00001"},
      {-0.0000123, u"-0.0000123"},
      {0.0000099, u"9.9E-6"},
      {0.000001, u"1E-6"},
      {-1.5e-7, u"-1.5E-7"},
      {std::numeric_limits<double>::max(), u"1.79769313486232E308"},
      {std::numeric_limits<double>::infinity(), u"INF"},
      {-std::numeric_limits<double>::infinity(), u"-INF"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(qb::floatText(value, u'.'), text) << value;
  EXPECT_EQ(qb::floatText(1234.5, u','), u"1234,5");
  EXPECT_EQ(qb::floatText(1.5e-7, u','), u"1,5E-7");
}

TEST(NumberText, SinglesKeepTheirShortestDigits) {
  EXPECT_EQ(qb::singleText(1.1f, u'.'), u"1.1");
  EXPECT_EQ(qb::singleText(-3.14159f, u'.'), u"-3.14159");
  EXPECT_EQ(qb::singleText(16777216.0f, u'.'), u"16777216");
  EXPECT_EQ(qb::singleText(1e20f, u'.'), u"1E20");
  EXPECT_EQ(qb::singleText(0.5f, u','), u"0,5");
}

TEST(NumberText, CurrencyAndDecimalAreExactWithoutTrailingZeros) {
  EXPECT_EQ(qb::currencyText({125000}, u'.'), u"12.5");
  EXPECT_EQ(qb::currencyText({30000}, u'.'), u"3");
  EXPECT_EQ(qb::currencyText({0}, u'.'), u"0");
  EXPECT_EQ(qb::currencyText({-1}, u','), u"-0,0001");
  EXPECT_EQ(qb::currencyText({std::numeric_limits<std::int64_t>::min()}, u'.'), u"-922337203685477.5808");
  EXPECT_EQ(qb::currencyText({std::numeric_limits<std::int64_t>::max()}, u'.'), u"922337203685477.5807");
  jet::Decimal d;
  d.magnitude = 36222200;
  d.scale = 6;
  d.negative = true;
  EXPECT_EQ(qb::decimalText(d, u','), u"-36,2222");
  d = {};
  d.magnitude = 1500;
  d.scale = 2;
  EXPECT_EQ(qb::decimalText(d, u'.'), u"15");
  d.magnitude = 0;
  d.negative = true;
  EXPECT_EQ(qb::decimalText(d, u'.'), u"0");
  d.magnitude =
      static_cast<jet::UInt128>(9999999999999999999ull) * 1000000000ull + 999999999ull;  // 28 digits
  d.scale = 10;
  d.negative = false;
  EXPECT_EQ(qb::decimalText(d, u'.'), u"999999999999999999.9999999999");
}

TEST(ValueText, BothFormsAgreeExceptForDatesAndBinary) {
  const FormatSettings s = european();
  const std::vector<std::pair<Value, std::u16string>> same{
      {Value(), u""},
      {Value::text(u"a, \"b\"\r\nc"), u"a, \"b\"\r\nc"},
      {Value::text(u""), u""},
      {Value::byte(255), u"255"},
      {Value::integer(-32768), u"-32768"},
      {Value::longInt(-2147483647 - 1), u"-2147483648"},
      {Value::boolean(true), u"True"},
      {Value::boolean(false), u"False"},
      {Value::dbl(-1.5), u"-1,5"},
      {Value::single(2.5f), u"2,5"},
      {Value::currency({-125000}), u"-12,5"},
      {Value::guid(*jet::Guid::parse("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}")),
       u"{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}"},
  };
  for (const auto& [value, text] : same) {
    EXPECT_EQ(csvText(value, ftWideString, s), text);
    EXPECT_EQ(fieldText(value, ftWideString, s), text);
  }
}

TEST(ValueText, GeneralDateFormDropsMidnightAndDayZero) {
  const FormatSettings s = european();
  EXPECT_EQ(csvText(Value::dateTime(at(2003, 1, 2, 13, 4, 5)), ftDateTime, s), u"02/01/2003 13:04:05");
  EXPECT_EQ(csvText(Value::dateTime(at(2003, 1, 2)), ftDateTime, s), u"02/01/2003");
  EXPECT_EQ(csvText(Value::dateTime({0.5}), ftDateTime, s), u"12:00:00");
  EXPECT_EQ(csvText(Value::dateTime({0.0}), ftDateTime, s), u"00:00:00");
  // Before day zero the fraction is still the time after midnight.
  EXPECT_EQ(csvText(Value::dateTime({-1.25}), ftDateTime, s), u"29/12/1899 06:00:00");
  EXPECT_EQ(csvText(Value::dateTime({-0.5}), ftDateTime, s), u"12:00:00");
  EXPECT_EQ(csvText(Value::dateTime(at(1800, 3, 1, 23, 59, 59)), ftDateTime, s), u"01/03/1800 23:59:59");
  EXPECT_EQ(csvText(Value::dateTime(at(100, 1, 1)), ftDateTime, s), u"01/01/0100");
}

TEST(ValueText, OwnDateFormAlwaysShowsTheDate) {
  const FormatSettings s = european();
  EXPECT_EQ(fieldText(Value::dateTime({0.5}), ftDateTime, s), u"30/12/1899 12:00:00");
  EXPECT_EQ(fieldText(Value::dateTime({0.0}), ftDateTime, s), u"30/12/1899");
  EXPECT_EQ(fieldText(Value::dateTime(at(2003, 1, 2)), ftDateTime, s), u"02/01/2003");
  EXPECT_EQ(fieldText(Value::dateTime(at(1899, 12, 29, 6)), ftDateTime, s), u"29/12/1899 06:00:00");
  EXPECT_EQ(fieldText(Value::dateTime(at(2003, 1, 2, 13, 4, 5)), ftDate, s), u"02/01/2003");
  EXPECT_EQ(fieldText(Value::dateTime(at(2003, 1, 2)), ftTime, s), u"00:00:00");
}

TEST(ValueText, DefaultSettingsAreUsEnglish) {
  const FormatSettings s;
  EXPECT_EQ(csvText(Value::dateTime(at(2003, 1, 2, 13, 4, 5)), ftDateTime, s), u"1/2/2003 1:04:05 PM");
  EXPECT_EQ(csvText(Value::dateTime(at(2003, 1, 2, 0, 30)), ftDateTime, s), u"1/2/2003 12:30:00 AM");
  EXPECT_EQ(csvText(Value::dbl(0.5), ftFloat, s), u"0.5");
}

TEST(ValueText, BinaryHasNoGeneralFormButLongBinaryDoes) {
  const FormatSettings s;
  const Value bytes = Value::binary({'A', 0x80, 0, 'B'});
  for (const auto type : {ftBytes, ftVarBytes}) {
    try {
      csvText(bytes, type, s);
      ADD_FAILURE() << "no error";
    } catch (const jet::Error& e) {
      EXPECT_STREQ(e.what(), "Could not convert variant of type (Array Byte) into type (String)");
    }
    EXPECT_EQ(csvText(Value(), type, s), u"");  // an empty value converts
    EXPECT_EQ(fieldText(bytes, type, s), u"A\u20AC");
  }
  EXPECT_EQ(csvText(bytes, ftBlob, s), std::u16string(u"A\u20AC\0B", 4));
  EXPECT_EQ(fieldText(bytes, ftBlob, s), u"A\u20AC");
  EXPECT_EQ(fieldText(Value::binary({0, 'x'}), ftGraphic, s), u"");
}

TEST(ValueText, BytesAndCharactersRoundTripThroughTheCodePage) {
  jet::Bytes all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(qb::textAsBytes(qb::bytesAsText(all)), all);
  EXPECT_EQ(qb::textAsBytes(u"\u4E2D"), jet::Bytes{'?'});
}

TEST(DatePatterns, LettersNamesSeparatorsAndLiterals) {
  FormatSettings s;
  const jet::DateTime d = at(2003, 1, 2, 13, 4, 5);
  EXPECT_EQ(qb::formatDateTime(u"dddd, d mmmm yyyy", d, s), u"Thursday, 2 January 2003");
  EXPECT_EQ(qb::formatDateTime(u"ddd d-mmm-yy", d, s), u"Thu 2-Jan-03");
  EXPECT_EQ(qb::formatDateTime(u"hh:mm", d, s), u"13:04");  // m after an hour is the minute
  EXPECT_EQ(qb::formatDateTime(u"h:nn am/pm", d, s), u"1:04 pm");
  EXPECT_EQ(qb::formatDateTime(u"h:nn A/P", d, s), u"1:04 P");
  EXPECT_EQ(qb::formatDateTime(u"\"day\" d 'at' h", d, s), u"day 2 at 13");
  EXPECT_EQ(qb::formatDateTime(u"ddddd", d, s), u"1/2/2003");
  EXPECT_EQ(qb::formatDateTime(u"tt", d, s), u"1:04:05 PM");
  s.dateSeparator = u'.';
  EXPECT_EQ(qb::formatDateTime(u"d/m/yyyy", d, s), u"2.1.2003");
  EXPECT_EQ(qb::formatDateTime(u"z zzz", jet::fromCivil({2003, 1, 2, 0, 0, 0, 7}), s), u"7 007");
  EXPECT_EQ(qb::formatDateTime(u"hh AMPM", at(2003, 1, 2, 0, 0, 0), s), u"12 AM");
  EXPECT_EQ(qb::formatDateTime(u"\"open", d, s), u"open");
}

TEST(DatePatterns, LocalePatternsAreTranslated) {
  const jet::DateTime d = at(2003, 1, 2, 13, 4, 5);
  FormatSettings german = FormatSettings::fromLocalePatterns(u"dd.MM.yyyy", u"HH:mm:ss", u',');
  EXPECT_EQ(qb::formatDateTime(german.shortDateFormat, d, german), u"02.01.2003");
  EXPECT_EQ(qb::formatDateTime(german.longTimeFormat, d, german), u"13:04:05");
  EXPECT_EQ(qb::formatDateTime(german.shortTimeFormat, d, german), u"13:04");
  EXPECT_EQ(german.decimalSeparator, u',');
  EXPECT_EQ(german.dateSeparator, u'.');
  EXPECT_EQ(german.dateOrder(), jet::DateOrder::DayMonthYear);

  FormatSettings us = FormatSettings::fromLocalePatterns(u"M/d/yy", u"h:mm:ss AP t", u'.');
  EXPECT_EQ(qb::formatDateTime(us.shortDateFormat, d, us), u"1/2/03");
  EXPECT_EQ(qb::formatDateTime(us.longTimeFormat, d, us), u"1:04:05 PM");
  EXPECT_EQ(us.dateOrder(), jet::DateOrder::MonthDayYear);

  FormatSettings iso = FormatSettings::fromLocalePatterns(u"yyyy-MM-dd", u"HH:mm:ss", u'.');
  EXPECT_EQ(qb::formatDateTime(iso.shortDateFormat, d, iso), u"2003-01-02");
  EXPECT_EQ(iso.dateOrder(), jet::DateOrder::YearMonthDay);

  FormatSettings quoted = FormatSettings::fromLocalePatterns(u"d 'de' MMMM 'd''x'", u"h'h'mm", u'.');
  EXPECT_EQ(qb::formatDateTime(quoted.shortDateFormat, d, quoted), u"2 de January d'x");
  EXPECT_EQ(qb::formatDateTime(quoted.longTimeFormat, d, quoted), u"13h04");
}

}  // namespace

namespace {

// The order of day, month and year that typed dates follow comes from the
// first date letter of the short date format outside quoted text.
TEST(FormatSettingsDateOrder, FirstDateLetterOutsideQuotesDecides) {
  const std::pair<const char16_t*, jet::DateOrder> cases[] = {
      {u"m/d/yyyy", jet::DateOrder::MonthDayYear},
      {u"dd.MM.yyyy", jet::DateOrder::DayMonthYear},
      {u"yyyy-MM-dd", jet::DateOrder::YearMonthDay},
      {u"'Year' dd/MM/yy", jet::DateOrder::DayMonthYear},     // the "Y" of the quoted word does not count
      {u"\"Day\" MM-dd-yyyy", jet::DateOrder::MonthDayYear},  // nor the "D" in double quotes
      {u"'unclosed d/m", jet::DateOrder::MonthDayYear},         // all quoted: the default
      {u"", jet::DateOrder::MonthDayYear},
  };
  for (const auto& [format, order] : cases) {
    qb::FormatSettings settings;
    settings.shortDateFormat = format;
    EXPECT_EQ(settings.dateOrder(), order) << jet::toUtf8(format);
  }
}

}  // namespace
