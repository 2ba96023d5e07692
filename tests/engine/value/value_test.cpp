// Values: exact currency and decimal text, GUID text, the Jet calendar, UTF-16.
#include <gtest/gtest.h>

#include "jet/text.h"
#include "jet/value.h"

namespace {

using jet::CivilDateTime;
using jet::Currency;
using jet::DateTime;
using jet::Decimal;

TEST(CurrencyTest, FormatsExactlyWithFourDecimals) {
  EXPECT_EQ(Currency{10000}.toString(), "1.0000");
  EXPECT_EQ(Currency{-12345}.toString(), "-1.2345");
  EXPECT_EQ(Currency{0}.toString(), "0.0000");
  EXPECT_EQ(Currency{-1}.toString(), "-0.0001");
  EXPECT_EQ(Currency{INT64_MIN}.toString(), "-922337203685477.5808");
  EXPECT_EQ(Currency{INT64_MAX}.toString(), "922337203685477.5807");
}

TEST(CurrencyTest, ParsesAndRejects) {
  EXPECT_EQ(Currency::parse("1.5")->units, 15000);
  EXPECT_EQ(Currency::parse("-0.0001")->units, -1);
  EXPECT_EQ(Currency::parse("-922337203685477.5808")->units, INT64_MIN);
  EXPECT_FALSE(Currency::parse("922337203685477.5808"));
  EXPECT_FALSE(Currency::parse("1.23456"));
  EXPECT_FALSE(Currency::parse("abc"));
  EXPECT_FALSE(Currency::parse(""));
  EXPECT_FALSE(Currency::parse("1e5"));
}

TEST(DecimalTest, RoundTripsText) {
  auto d = Decimal::parse("-36.222200");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->scale, 6);
  EXPECT_TRUE(d->negative);
  EXPECT_EQ(d->toString(), "-36.222200");
  EXPECT_EQ(Decimal::parse("0.00")->toString(), "0.00");
  EXPECT_FALSE(Decimal::parse("-0")->negative);
  EXPECT_EQ(Decimal::parse("9999999999999999999999999999")->digitCount(), 28);
  EXPECT_EQ(Decimal::parse(".5")->toString(), "0.5");
}

TEST(GuidTest, TextFormUsesMixedEndianStorage) {
  jet::Guid g;
  g.bytes = {0xA0, 0x6C, 0x09, 0x8F, 0x16, 0xFC, 0x88, 0x42, 0x80, 0x1E, 0x11, 0x9F, 0x26, 0xC0, 0xB6, 0xFC};
  EXPECT_EQ(g.toString(), "{8F096CA0-FC16-4288-801E-119F26C0B6FC}");
  auto back = jet::Guid::parse("{8f096ca0-fc16-4288-801e-119f26c0b6fc}");
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, g);
  EXPECT_FALSE(jet::Guid::parse("{8F096CA0-FC16-4288-801E-119F26C0B6F}"));
  EXPECT_FALSE(jet::Guid::parse("8F096CA0FC16-4288-801E-119F26C0B6FC0"));
}

TEST(DateTimeTest, CalendarMatchesJetDayNumbers) {
  EXPECT_EQ(jet::toCivil(DateTime{0.0}), (CivilDateTime{1899, 12, 30, 0, 0, 0, 0}));
  EXPECT_EQ(jet::toCivil(DateTime{2.5}), (CivilDateTime{1900, 1, 1, 12, 0, 0, 0}));
  EXPECT_EQ(jet::toCivil(DateTime{36526.0}), (CivilDateTime{2000, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(jet::toCivil(DateTime{-115858}), (CivilDateTime{1582, 10, 15, 0, 0, 0, 0}));
  EXPECT_EQ(jet::toCivil(DateTime{-185532}), (CivilDateTime{1392, 1, 10, 0, 0, 0, 0}));
  // Negative day numbers keep the time after midnight of that day.
  EXPECT_EQ(jet::toCivil(DateTime{-1.25}), (CivilDateTime{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_EQ(jet::toCivil(DateTime{-0.5}), (CivilDateTime{1899, 12, 30, 12, 0, 0, 0}));
  EXPECT_DOUBLE_EQ(jet::fromCivil({1899, 12, 29, 6, 0, 0, 0}).days, -1.25);
  EXPECT_DOUBLE_EQ(jet::fromCivil({2000, 1, 1, 12, 0, 0, 0}).days, 36526.5);
}

TEST(DateTimeTest, RoundsToTheMillisecondAcrossMidnight) {
  // 23:59:59.9999 rounds up into the next day.
  EXPECT_EQ(jet::toCivil(DateTime{1.0 - 1e-9}), (CivilDateTime{1899, 12, 31, 0, 0, 0, 0}));
  EXPECT_EQ(jet::toIsoString(DateTime{36526.75}), "2000-01-01T18:00:00");
  EXPECT_FALSE(jet::isValidCivil({2001, 2, 29, 0, 0, 0, 0}));
  EXPECT_TRUE(jet::isValidCivil({2000, 2, 29, 0, 0, 0, 0}));
}

TEST(TextTest, Utf8RoundTripAndReplacement) {
  std::u16string s = u"a\u00E4\u0416\u6F22";
  s += static_cast<char16_t>(0xD83D);
  s += static_cast<char16_t>(0xDE00);
  EXPECT_EQ(jet::fromUtf8(jet::toUtf8(s)), s);
  EXPECT_EQ(jet::toUtf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(jet::fromUtf8("\xC3"), u"\uFFFD");
  EXPECT_EQ(jet::fromUtf8("\xC3" "a"), u"\uFFFDa");
}

TEST(TextTest, NamesCompareWithoutCase) {
  EXPECT_TRUE(jet::equalNamesNoCase(u"MSysObjects", u"msysobjects"));
  EXPECT_TRUE(jet::equalNamesNoCase(u"\u00C4pfel", u"\u00E4PFEL"));
  EXPECT_TRUE(jet::equalNamesNoCase(u"\u041C\u0438\u0440", u"\u043C\u0418\u0420"));
  EXPECT_LT(jet::compareNamesNoCase(u"abc", u"ABD"), 0);
  EXPECT_LT(jet::compareNamesNoCase(u"ab", u"ABC"), 0);
  EXPECT_FALSE(jet::equalNamesNoCase(u"a", u"b"));
}

}  // namespace
