// Value decoding on crafted bytes: text in both forms, numbers at their limits,
// dates around and before the epoch, GUIDs and decimals.
#include <gtest/gtest.h>

#include <cmath>

#include "format/text_codec.h"
#include "format/value_codec.h"
#include "jet/error.h"
#include "support/page_images.h"
#include "support/value_printer.h"

namespace {

using jet::DataType;
using jet::Value;
using qbtest::Bytes;

Value decode(DataType type, const Bytes& bytes, std::uint8_t scale = 0) {
  return jet::decodeValue(type, bytes, scale, jet::TextCodec::unicode());
}

TEST(TextCodec, ReadsPlainUcs2) {
  EXPECT_EQ(jet::decodeJet4Text(Bytes{'H', 0, 'i', 0, 0x1F, 0x04}), u"Hi\u041F");
  EXPECT_EQ(jet::decodeJet4Text(Bytes{}), u"");
  // An odd trailing byte cannot be a character.
  EXPECT_EQ(jet::decodeJet4Text(Bytes{'a', 0, 'b'}), u"a");
}

TEST(TextCodec, ReadsCompressedTextAndToggles) {
  // One byte per character after FF FE.
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFF, 0xFE, 0xFC, 'm', 'l', 'a', 'u', 't'}), u"\u00FCmlaut");
  // 00 switches to two bytes per character and back.
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFF, 0xFE, 'a', 0, 0x1F, 0x04, 0x20, 0x04, 0, 'b'}),
            u"a\u041F\u0420b");
  // The value may end in the two-byte mode, and a dangling byte there is dropped.
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFF, 0xFE, 0, 0x1F, 0x04}), u"\u041F");
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFF, 0xFE, 0, 0x1F, 0x04, 0x20}), u"\u041F");
  // Consecutive switches are allowed; the marker alone is an empty text.
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFF, 0xFE, 0, 0, 'x'}), u"x");
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFF, 0xFE}), u"");
  // FF alone (or FE FF) is ordinary UCS-2.
  EXPECT_EQ(jet::decodeJet4Text(Bytes{0xFE, 0xFF}), u"\uFFFE");

  std::u16string reused = u"a long previous value that must not leak into the next";
  jet::decodeJet4Text(Bytes{0xFF, 0xFE, 'o', 'k'}, reused);
  EXPECT_EQ(reused, u"ok");
}

TEST(ValueCodec, ReadsIntegersWithTheirSignsAndWidths) {
  EXPECT_EQ(decode(DataType::Byte, Bytes{0xFF}), Value::byte(255));
  EXPECT_EQ(decode(DataType::Integer, Bytes{0x00, 0x80}), Value::integer(-32768));
  EXPECT_EQ(decode(DataType::Long, Bytes{0xFF, 0xFF, 0xFF, 0x7F}), Value::longInt(2147483647));
  EXPECT_EQ(decode(DataType::Long, Bytes{0x00, 0x00, 0x00, 0x80}), Value::longInt(-2147483647 - 1));
  // Variable-length columns may carry a longer field; the value is its start.
  EXPECT_EQ(decode(DataType::Integer, Bytes{0x01, 0x00, 0xAA}), Value::integer(1));
}

TEST(ValueCodec, ReadsCurrencyExactly) {
  EXPECT_EQ(decode(DataType::Currency, Bytes{0x10, 0x27, 0, 0, 0, 0, 0, 0}),
            Value::currency(jet::Currency{10000}));
  EXPECT_EQ(decode(DataType::Currency, Bytes{0xC7, 0xCF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})
                .asCurrency()
                .toString(),
            "-1.2345");
  EXPECT_EQ(decode(DataType::Currency, Bytes{0, 0, 0, 0, 0, 0, 0, 0x80}).asCurrency().units, INT64_MIN);
}

TEST(ValueCodec, ReadsFloatingPoint) {
  EXPECT_EQ(decode(DataType::Single, Bytes{0x00, 0x00, 0xC0, 0x3F}), Value::single(1.5f));
  EXPECT_EQ(decode(DataType::Double, Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0xBF}), Value::dbl(-1.0));
  EXPECT_TRUE(std::isnan(decode(DataType::Double, Bytes{1, 0, 0, 0, 0, 0, 0xF0, 0x7F}).asDouble()));
}

TEST(ValueCodec, ReadsDatesAroundAndBeforeTheEpoch) {
  const auto date = [](double days) {
    Bytes b(8);
    std::memcpy(b.data(), &days, 8);
    return jet::toIsoString(decode(DataType::DateTime, b).asDateTime());
  };
  EXPECT_EQ(date(0.0), "1899-12-30T00:00:00");
  EXPECT_EQ(date(2.5), "1900-01-01T12:00:00");
  EXPECT_EQ(date(36526.5), "2000-01-01T12:00:00");
  // Negative days keep the time as a fraction after that day's midnight.
  EXPECT_EQ(date(-1.25), "1899-12-29T06:00:00");
  EXPECT_EQ(date(-0.5), "1899-12-30T12:00:00");
  // Proleptic Gregorian calendar, no switch in 1582.
  EXPECT_EQ(date(-115858.0), "1582-10-15T00:00:00");
  EXPECT_EQ(date(-115859.0), "1582-10-14T00:00:00");
  EXPECT_EQ(date(-185532.0), "1392-01-10T00:00:00");
  // The stored bytes of 2000-01-01 12:00.
  EXPECT_EQ(
      jet::toIsoString(decode(DataType::DateTime, Bytes{0, 0, 0, 0, 0xD0, 0xD5, 0xE1, 0x40}).asDateTime()),
      "2000-01-01T12:00:00");
}

TEST(ValueCodec, ReadsGuidsInMixedEndianOrder) {
  const Bytes stored{0xA0, 0x6C, 0x09, 0x8F, 0x16, 0xFC, 0x88, 0x42,
                     0x80, 0x1E, 0x11, 0x9F, 0x26, 0xC0, 0xB6, 0xFC};
  EXPECT_EQ(decode(DataType::Guid, stored).asGuid().toString(), "{8F096CA0-FC16-4288-801E-119F26C0B6FC}");
}

Bytes numeric(std::uint8_t sign, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3, std::uint32_t w4) {
  return qbtest::concat(
      {Bytes{sign}, qbtest::u32Bytes(w1), qbtest::u32Bytes(w2), qbtest::u32Bytes(w3), qbtest::u32Bytes(w4)});
}

TEST(ValueCodec, ReadsDecimalsWithSignAndScale) {
  EXPECT_EQ(decode(DataType::Numeric, numeric(0x00, 0, 0, 0, 0x02FFE608), 6).asDecimal().toString(),
            "50.325000");
  EXPECT_EQ(decode(DataType::Numeric, numeric(0x80, 0, 0, 0, 0x0228B4F8), 6).asDecimal().toString(),
            "-36.222200");
  EXPECT_EQ(decode(DataType::Numeric, numeric(0x00, 0, 0, 0x016A7C1C, 0xE1EDF4F1), 6).asDecimal().toString(),
            "102030405060.654321");
  // Any non-zero sign byte is negative; a negative zero is plain zero.
  EXPECT_EQ(decode(DataType::Numeric, numeric(0x01, 0, 0, 0, 7), 0).asDecimal().toString(), "-7");
  EXPECT_EQ(decode(DataType::Numeric, numeric(0x80, 0, 0, 0, 0), 2).asDecimal().toString(), "0.00");
  EXPECT_FALSE(decode(DataType::Numeric, numeric(0x80, 0, 0, 0, 0), 2).asDecimal().negative);
  // 28 nines, the largest magnitude Jet allows, fills three words.
  const jet::Decimal big =
      decode(DataType::Numeric, numeric(0, 0, 0x204FCE5E, 0x3E250261, 0x0FFFFFFF), 0).asDecimal();
  EXPECT_EQ(big.toString(), "9999999999999999999999999999");
}

TEST(ValueCodec, RefusesFieldsShorterThanTheirType) {
  for (DataType t :
       {DataType::Integer, DataType::Long, DataType::Double, DataType::Guid, DataType::Numeric}) {
    try {
      decode(t, Bytes{1});
      ADD_FAILURE() << jet::dataTypeName(t);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
      EXPECT_NE(std::string(e.what()).find(jet::dataTypeName(t)), std::string::npos);
    }
  }
  // Binary and unknown types keep whatever bytes there are.
  EXPECT_EQ(decode(DataType::Binary, Bytes{}), Value::binary({}));
  EXPECT_EQ(decode(static_cast<DataType>(0x13), Bytes{1, 2}), Value::binary({1, 2}));
}

}  // namespace
