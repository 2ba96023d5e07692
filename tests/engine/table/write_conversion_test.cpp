// Converting values for writes: every kind to every column type, rounding at
// the halves, the edges of each range, text and binary lengths, and refusals
// that name the field, the value and the reason.
#include <gtest/gtest.h>

#include <cmath>

#include "jet/error.h"
#include "table/column_value.h"
#include "value/value_ops.h"

namespace {

using jet::DataType;
using jet::Value;

jet::ColumnDef column(DataType type, std::uint16_t length = 0, std::uint8_t precision = 0, std::uint8_t scale = 0) {
  jet::ColumnDef c;
  c.name = u"F";
  c.type = type;
  c.length = length;
  c.precision = precision;
  c.scale = scale;
  return c;
}

Value to(DataType type, const Value& v, std::uint16_t length = 0, std::uint8_t precision = 0, std::uint8_t scale = 0) {
  return jet::convertToColumn(v, column(type, length, precision, scale), "field 'F'");
}

std::string refusal(DataType type, const Value& v, std::uint16_t length = 0, std::uint8_t precision = 0,
                    std::uint8_t scale = 0) {
  try {
    to(type, v, length, precision, scale);
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
    return e.what();
  }
  ADD_FAILURE() << "converted";
  return {};
}

jet::Decimal dec(const char* text) { return *jet::Decimal::parse(text); }

TEST(WriteConversion, WholeNumbersRoundHalfToEvenAndStayInRange) {
  EXPECT_EQ(to(DataType::Integer, Value::dbl(2.5)), Value::integer(2));
  EXPECT_EQ(to(DataType::Integer, Value::dbl(3.5)), Value::integer(4));
  EXPECT_EQ(to(DataType::Integer, Value::dbl(-2.5)), Value::integer(-2));
  EXPECT_EQ(to(DataType::Long, Value::text(u" -2147483648 ")), Value::longInt(INT32_MIN));
  EXPECT_EQ(to(DataType::Byte, Value::text(u"2.55e2")), Value::byte(255));
  EXPECT_EQ(to(DataType::Integer, Value::boolean(true)), Value::integer(-1));
  EXPECT_EQ(to(DataType::Long, Value::currency(jet::Currency{25000})), Value::longInt(2));
  EXPECT_EQ(to(DataType::Long, Value::decimal(dec("-7.5"))), Value::longInt(-8));
  EXPECT_NE(refusal(DataType::Byte, Value::integer(256)).find("out of range"), std::string::npos);
  EXPECT_NE(refusal(DataType::Byte, Value::integer(-1)).find("out of range"), std::string::npos);
  EXPECT_NE(refusal(DataType::Integer, Value::longInt(32768)).find("out of range"), std::string::npos);
  EXPECT_NE(refusal(DataType::Long, Value::dbl(2147483647.5)).find("out of range"), std::string::npos);
  EXPECT_NE(refusal(DataType::Long, Value::text(u"1e400")).find("out of range"), std::string::npos);
  EXPECT_NE(refusal(DataType::Long, Value::dbl(std::nan(""))).find("finite"), std::string::npos);
  EXPECT_NE(refusal(DataType::Byte, Value::boolean(true)).find("out of range"), std::string::npos);
}

TEST(WriteConversion, CurrencyAndDecimalsAreExact) {
  EXPECT_EQ(to(DataType::Currency, Value::dbl(0.1)), Value::currency(jet::Currency{1000}));
  EXPECT_EQ(to(DataType::Currency, Value::text(u"1.23455")), Value::currency(jet::Currency{12346}));
  EXPECT_EQ(to(DataType::Currency, Value::text(u"1.23445")), Value::currency(jet::Currency{12344}));
  EXPECT_EQ(to(DataType::Currency, Value::text(u"922337203685477.5807")),
            Value::currency(jet::Currency{INT64_MAX}));
  refusal(DataType::Currency, Value::text(u"922337203685477.5808"));
  const jet::Decimal d = dec("12.36");  // 12.355 is exactly halfway in its shortest form
  EXPECT_EQ(to(DataType::Numeric, Value::text(u"12.345"), 17, 10, 2), Value::decimal(dec("12.34")));
  EXPECT_EQ(to(DataType::Numeric, Value::dbl(12.355), 17, 10, 2), Value::decimal(d));
  EXPECT_EQ(to(DataType::Numeric, Value::longInt(-3), 17, 5, 3), Value::decimal(dec("-3.000")));
  // Precision counts every digit at the column's scale.
  EXPECT_EQ(to(DataType::Numeric, Value::text(u"99999.999"), 17, 8, 3), Value::decimal(dec("99999.999")));
  EXPECT_NE(refusal(DataType::Numeric, Value::text(u"100000"), 17, 8, 3).find("precision of 8"), std::string::npos);
  EXPECT_NE(refusal(DataType::Numeric, Value::text(u"99999.9995"), 17, 8, 3).find("precision"), std::string::npos);
  EXPECT_EQ(to(DataType::Numeric, Value::text(u"-0.0001"), 17, 4, 2), Value::decimal(dec("0.00")));
}

TEST(WriteConversion, FloatingPointDatesAndYesNo) {
  EXPECT_EQ(to(DataType::Single, Value::text(u"1.5")), Value::single(1.5f));
  EXPECT_NE(refusal(DataType::Single, Value::dbl(1e39)).find("out of range"), std::string::npos);
  EXPECT_EQ(to(DataType::Double, Value::decimal(dec("0.1"))), Value::dbl(0.1));
  EXPECT_EQ(to(DataType::DateTime, Value::text(u"2000-01-01 12:00")), Value::dateTime(jet::DateTime{36526.5}));
  EXPECT_EQ(to(DataType::DateTime, Value::text(u"1899-12-29T06:00:00")), Value::dateTime(jet::DateTime{-1.25}));
  EXPECT_EQ(to(DataType::DateTime, Value::dbl(2.5)), Value::dateTime(jet::DateTime{2.5}));
  EXPECT_NE(refusal(DataType::DateTime, Value::text(u"2000-02-30")).find("not a date"), std::string::npos);
  EXPECT_NE(refusal(DataType::DateTime, Value::text(u"0099-12-31")).find("years 100 to 9999"), std::string::npos);
  EXPECT_NE(refusal(DataType::DateTime, Value::dbl(3e6)).find("years 100 to 9999"), std::string::npos);
  EXPECT_EQ(to(DataType::Boolean, Value::text(u"Yes")), Value::boolean(true));
  EXPECT_EQ(to(DataType::Boolean, Value::text(u"off")), Value::boolean(false));
  EXPECT_EQ(to(DataType::Boolean, Value::integer(-1)), Value::boolean(true));
  EXPECT_EQ(to(DataType::Boolean, Value()), Value::boolean(false));  // a Yes/No field is never Null
  refusal(DataType::Boolean, Value::text(u"maybe"));
  EXPECT_EQ(to(DataType::Long, Value()), Value());
}

TEST(WriteConversion, TextBinaryAndGuidsWithTheirLengths) {
  EXPECT_EQ(to(DataType::Text, Value::longInt(-12), 20), Value::text(u"-12"));
  EXPECT_EQ(to(DataType::Text, Value::currency(jet::Currency{15000}), 20), Value::text(u"1.5"));
  EXPECT_EQ(to(DataType::Text, Value::dbl(0.1), 20), Value::text(u"0.1"));
  EXPECT_EQ(to(DataType::Text, Value::dateTime(jet::DateTime{36526.0}), 40), Value::text(u"2000-01-01"));
  EXPECT_EQ(to(DataType::Text, Value::text(std::u16string(10, u'x')), 20), Value::text(std::u16string(10, u'x')));
  const std::string tooLong = refusal(DataType::Text, Value::text(std::u16string(11, u'x')), 20);
  EXPECT_NE(tooLong.find("field 'F' is 11 characters long; the field holds at most 10"), std::string::npos);
  EXPECT_NE(refusal(DataType::Text, Value::binary({1}), 20).find("binary data is not text"), std::string::npos);
  EXPECT_EQ(to(DataType::Memo, Value::text(std::u16string(100000, u'm'))).asText().size(), 100000u);
  EXPECT_EQ(to(DataType::Binary, Value::binary({1, 2, 3}), 3), Value::binary({1, 2, 3}));
  refusal(DataType::Binary, Value::binary({1, 2, 3, 4}), 3);
  refusal(DataType::Ole, Value::text(u"text"));

  const jet::Guid g = *jet::Guid::parse("{8F096CA0-FC16-4288-801E-119F26C0B6FC}");
  EXPECT_EQ(to(DataType::Guid, Value::text(u"8f096ca0-fc16-4288-801e-119f26c0b6fc")), Value::guid(g));
  EXPECT_EQ(to(DataType::Guid, Value::binary(jet::Bytes(g.bytes.begin(), g.bytes.end()))), Value::guid(g));
  EXPECT_EQ(to(DataType::Text, Value::guid(g), 76), Value::text(u"{8F096CA0-FC16-4288-801E-119F26C0B6FC}"));
  EXPECT_NE(refusal(DataType::Guid, Value::text(u"{nope}")).find("not a GUID"), std::string::npos);
}

TEST(WriteConversion, RefusalsNameTheFieldTheValueAndTheType) {
  const std::string message = refusal(DataType::Currency, Value::text(u"twelve"));
  EXPECT_NE(message.find("'twelve'"), std::string::npos);
  EXPECT_NE(message.find("field 'F'"), std::string::npos);
  EXPECT_NE(message.find("Currency"), std::string::npos);
  EXPECT_NE(message.find("not a number"), std::string::npos);
  EXPECT_EQ(jet::quotedValue(Value::text(std::u16string(50, u'a'))), "'" + std::string(40, 'a') + "...'");
  EXPECT_EQ(jet::quotedValue(Value::binary({1, 2})), "(2 bytes of binary data)");
  EXPECT_EQ(jet::quotedValue(Value()), "Null");
}

}  // namespace
