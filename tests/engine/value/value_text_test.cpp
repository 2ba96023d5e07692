// Values as text and text as values under a locale: Jet's own conventions, a
// locale with a decimal comma and day-first dates, and the engine API's ISO
// forms; the pattern writer's two dialects; what a person types for Locate.
#include <gtest/gtest.h>

#include "jet/text.h"
#include "jet/value_text.h"
#include "value/value_ops.h"

namespace {

using jet::DataType;
using jet::Value;
using jet::ValueKind;

jet::DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return jet::fromCivil({y, mo, d, h, mi, s, 0});
}

// Day first, a decimal comma, 24-hour times.
jet::TextLocale german() {
  jet::TextLocale l;
  l.decimalSeparator = u',';
  l.dateSeparator = u'.';
  l.shortDateFormat = u"dd/mm/yyyy";
  l.longTimeFormat = u"hh:nn:ss";
  return l;
}

std::u16string text(const Value& v, const jet::TextLocale& l) { return jet::toText(v, l); }

TEST(TextForms, NumbersAndDatesInTwoLocales) {
  const jet::TextLocale& us = jet::TextLocale::jetDefault();
  const jet::TextLocale de = german();
  EXPECT_EQ(text(Value::dbl(-1234.5), us), u"-1234.5");
  EXPECT_EQ(text(Value::dbl(-1234.5), de), u"-1234,5");
  EXPECT_EQ(text(Value::currency({123400}), de), u"12,34");
  EXPECT_EQ(text(Value::decimal(*jet::Decimal::parse("0.0500")), de), u"0,05");
  EXPECT_EQ(text(Value::single(0.1f), us), u"0.1");
  EXPECT_EQ(text(Value::dbl(1e20), us), u"1E+20");
  EXPECT_EQ(text(Value::dbl(0.00001), de), u"1E-05");
  EXPECT_EQ(text(Value::dateTime(at(2003, 1, 5, 10, 30)), us), u"1/5/2003 10:30:00 AM");
  EXPECT_EQ(text(Value::dateTime(at(2003, 1, 5, 10, 30)), de), u"05.01.2003 10:30:00");
  EXPECT_EQ(text(Value::dateTime(at(2003, 1, 5)), de), u"05.01.2003");
  EXPECT_EQ(text(Value::dateTime(at(1899, 12, 30, 18)), us), u"6:00:00 PM");  // day 0: the time alone
  EXPECT_EQ(text(Value::dateTime(at(2003, 1, 5, 10, 30)), jet::TextLocale::iso()), u"2003-01-05 10:30:00");
  EXPECT_EQ(text(Value::boolean(true), de), u"True");
}

TEST(TextForms, TextReadsInTheLocaleItWasWrittenIn) {
  const jet::TextLocale de = german();
  EXPECT_EQ(jet::textAs(u"1,5", ValueKind::Double, de), Value::dbl(1.5));
  EXPECT_EQ(jet::textAs(u"1,5", ValueKind::Double, jet::TextLocale::jetDefault()), Value::dbl(15));  // a group separator
  EXPECT_EQ(jet::textAs(u"1.5", ValueKind::Double, de), Value::dbl(1.5));  // a point is read as one
  EXPECT_EQ(jet::textAs(u"05.01.2003", ValueKind::DateTime, de), Value::dateTime(at(2003, 1, 5)));
  EXPECT_EQ(jet::textAs(u"05.01.2003", ValueKind::DateTime, jet::TextLocale::jetDefault()),
            Value::dateTime(at(2003, 5, 1)));
  EXPECT_EQ(jet::textAs(u"12,3456", ValueKind::Currency, de), Value::currency({123456}));
  EXPECT_FALSE(jet::textAs(u"12,34567", ValueKind::Currency, de));

  const Value values[] = {Value::dbl(0.1), Value::dbl(-1234.5), Value::dbl(1e20), Value::single(2.5f),
                          Value::currency({-15}), Value::decimal(*jet::Decimal::parse("-3.25")),
                          Value::dateTime(at(2003, 12, 31, 23, 59, 59)), Value::dateTime(at(1999, 2, 3)),
                          Value::boolean(false), Value::longInt(-7),
                          Value::guid(*jet::Guid::parse("{8F096CA0-FC16-4288-801E-119F26C0B6FC}"))};
  for (const jet::TextLocale& l : {jet::TextLocale::jetDefault(), de, jet::TextLocale::iso()}) {
    for (const Value& v : values) {
      SCOPED_TRACE(jet::toUtf8(text(v, l)));
      EXPECT_EQ(jet::textAs(text(v, l), v.kind(), l), v);
    }
  }
}

TEST(TextForms, ThePatternWriterSpeaksBothDialects) {
  const jet::TextLocale& us = jet::TextLocale::jetDefault();
  const jet::DateTime d = at(2003, 2, 5, 13, 4, 5);
  using jet::PatternDialect;
  EXPECT_EQ(jet::writeDatePattern(u"y yy yyy yyyy", d, us, PatternDialect::Format), u"36 03 03 2003");
  EXPECT_EQ(jet::writeDatePattern(u"yy yyy", d, us, PatternDialect::Display), u"03 2003");
  EXPECT_EQ(jet::writeDatePattern(u"q w", d, us, PatternDialect::Format), u"1 4");
  EXPECT_EQ(jet::writeDatePattern(u"q w", d, us, PatternDialect::Display), u"q w");
  EXPECT_EQ(jet::writeDatePattern(u"mm:ss", d, us, PatternDialect::Format), u"04:05");  // minutes before seconds
  EXPECT_EQ(jet::writeDatePattern(u"mm:ss", d, us, PatternDialect::Display), u"02:05");
  EXPECT_EQ(jet::writeDatePattern(u"\\h 'h'", d, us, PatternDialect::Format), u"h '13'");  // \ escapes, ' is a letter
  EXPECT_EQ(jet::writeDatePattern(u"tt 'h'", d, us, PatternDialect::Display), u"1:04:05 PM h");
  EXPECT_EQ(jet::writeDatePattern(u"c", d, us, PatternDialect::Format), u"2/5/2003 1:04:05 PM");
  EXPECT_EQ(jet::writeDatePattern(u"ddddd h AMPM", d, german(), PatternDialect::Format), u"05.02.2003 1 PM");
}

TEST(ValueFromTextTest, DateOrderDecidesAmbiguousDates) {
  jet::TextLocale dmy;
  dmy.shortDateFormat = u"d/m/yyyy";
  const auto d = jet::valueFromText(u"5/1/2003", DataType::DateTime, dmy);
  ASSERT_TRUE(d);
  EXPECT_EQ(jet::toCivil(d->asDateTime()), (jet::CivilDateTime{2003, 1, 5, 0, 0, 0, 0}));
  const auto m = jet::valueFromText(u"5/1/2003", DataType::DateTime);
  EXPECT_EQ(jet::toCivil(m->asDateTime()), (jet::CivilDateTime{2003, 5, 1, 0, 0, 0, 0}));
  // Year first is never ambiguous.
  EXPECT_EQ(jet::toCivil(jet::valueFromText(u"2003-01-05", DataType::DateTime, dmy)->asDateTime()).day, 5);
}

TEST(ValueFromTextTest, MemoTakesTextAsItIsAndOleNothing) {
  EXPECT_EQ(jet::valueFromText(u" x ", DataType::Memo), Value::text(u" x "));
  EXPECT_FALSE(jet::valueFromText(u"00", DataType::Ole));
}

}  // namespace
