// Encoding what rows hold: text in its plain and compressed forms, values of
// every type in their stored bytes (checked against bytes Microsoft's files
// hold), and whole rows, which the reader's row frame must take apart again.
#include <gtest/gtest.h>

#include "format/row_encoder.h"
#include "format/row_frame.h"
#include "format/text_codec.h"
#include "format/value_codec.h"
#include "jet/error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using jet::DataType;
using jet::Value;

Bytes text(std::u16string_view s, bool compress) {
  Bytes out;
  jet::encodeJet4Text(s, compress, out);
  EXPECT_EQ(jet::decodeJet4Text(out), s);  // every form reads back
  return out;
}

TEST(TextEncoding, CompressesOneByteCharactersOnlyWhenItIsShorter) {
  EXPECT_EQ(text(u"only", true), (Bytes{0xFF, 0xFE, 'o', 'n', 'l', 'y'}));
  EXPECT_EQ(text(u"only", false), (Bytes{'o', 0, 'n', 0, 'l', 0, 'y', 0}));
  EXPECT_EQ(text(u"ümlaut", true), (Bytes{0xFF, 0xFE, 0xFC, 'm', 'l', 'a', 'u', 't'}));
  EXPECT_EQ(text(u"", true), Bytes{});
  // A run of other characters between mode switches; shorter than plain here...
  EXPECT_EQ(text(u"abcdЖefgh", true),
            (Bytes{0xFF, 0xFE, 'a', 'b', 'c', 'd', 0, 0x16, 0x04, 0, 'e', 'f', 'g', 'h'}));
  // ...but not here, so the plain form is kept.
  EXPECT_EQ(text(u"aЖb", true), (Bytes{'a', 0, 0x16, 0x04, 'b', 0}));
  EXPECT_EQ(text(u"ЖЖЖЖ", true).size(), 8u);
}

TEST(TextEncoding, CharactersThatCannotBeCompressedKeepThePlainForm) {
  // A character whose low byte is zero would read as a mode switch.
  EXPECT_EQ(text(u"abcĀdef", true).size(), 14u);
  EXPECT_EQ(text(std::u16string(u"ab\0c", 4), true).size(), 8u);
  // Text beginning with U+FEFF must not look like the compressed marker, so it
  // is written compressed whatever the column allows.
  const Bytes bom = text(u"\uFEFFab", false);
  EXPECT_EQ(bom[0], 0xFF);
  EXPECT_EQ(bom[1], 0xFE);
  EXPECT_EQ(bom[2], 0x00);
}

Bytes encoded(DataType type, const Value& v, std::size_t fixedLength = 0) {
  Bytes out;
  jet::encodeValue(type, v, fixedLength, true, jet::TextCodec::unicode(), out);
  return out;
}

TEST(ValueEncoding, MatchesTheBytesOfRealFiles) {
  jet::Decimal d;
  d.magnitude = 50325000;
  d.scale = 6;
  EXPECT_EQ(encoded(DataType::Numeric, Value::decimal(d)),
            (Bytes{0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0xE6, 0xFF, 0x02}));
  d.magnitude = 102030405060654321ull;
  d.negative = true;
  EXPECT_EQ(encoded(DataType::Numeric, Value::decimal(d)),
            (Bytes{0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0x1C, 0x7C, 0x6A, 0x01, 0xF1, 0xF4, 0xED, 0xE1}));
  EXPECT_EQ(encoded(DataType::Currency, Value::currency(jet::Currency{-12345})),
            (Bytes{0xC7, 0xCF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encoded(DataType::DateTime, Value::dateTime(jet::DateTime{36526.5})),
            (Bytes{0, 0, 0, 0, 0xD0, 0xD5, 0xE1, 0x40}));
  EXPECT_EQ(encoded(DataType::Long, Value::longInt(-2)), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  // Fixed-length fields are padded: text with spaces, binary data with zeros.
  EXPECT_EQ(encoded(DataType::Text, Value::text(u"ab"), 8), (Bytes{'a', 0, 'b', 0, ' ', 0, ' ', 0}));
  EXPECT_EQ(encoded(DataType::Binary, Value::binary({1, 2}), 4), (Bytes{1, 2, 0, 0}));
}

TEST(ValueEncoding, EveryTypeReadsBackAsWritten) {
  jet::Guid g;
  for (std::size_t i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(i * 17);
  jet::Decimal d;
  d.magnitude = static_cast<jet::UInt128>(9999999999999999999ull) * 1000000000ull;  // 28 digits
  d.scale = 28;
  const std::vector<std::pair<DataType, Value>> cases = {
      {DataType::Byte, Value::byte(255)},
      {DataType::Integer, Value::integer(-32768)},
      {DataType::Long, Value::longInt(2147483647)},
      {DataType::Currency, Value::currency(jet::Currency{INT64_MIN})},
      {DataType::Single, Value::single(-1.5e38f)},
      {DataType::Double, Value::dbl(5e-324)},
      {DataType::DateTime, Value::dateTime(jet::DateTime{-657434.0})},
      {DataType::Guid, Value::guid(g)},
      {DataType::Numeric, Value::decimal(d)},
      {DataType::Text, Value::text(u"x\u4E2Dy")},
      {DataType::Binary, Value::binary({0, 0xFF, 0})},
  };
  for (const auto& [type, value] : cases) {
    const Bytes b = encoded(type, value);
    EXPECT_EQ(jet::decodeValue(type, b, value.kind() == jet::ValueKind::Decimal ? value.asDecimal().scale : 0,
                              jet::TextCodec::unicode()), value)
        << jet::dataTypeName(type);
  }
}

// The ACE row of the engine's blank database, byte for byte.
TEST(RowEncoding, BuildsTheRowOfARealFile) {
  const Bytes objectId{2, 0, 0, 0};
  const Bytes acm{0, 0, 6, 0};
  const Bytes sid{0x64, 0x8B};
  const jet::RowLayout layout{4, 1, 8};
  const std::vector<jet::RowField> fields = {
      {0, true, false, 0, 0, true, objectId},
      {1, false, false, 0, 0, true, sid},
      {2, true, false, 4, 0, true, acm},
      {3, true, true, 0, 0, false, {}},  // FInheritable: false
  };
  Bytes row;
  jet::encodeRow(layout, fields, row);
  EXPECT_EQ(row, (Bytes{0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x64, 0x8B, 0x0C, 0x00, 0x0A,
                        0x00, 0x01, 0x00, 0x07}));
  EXPECT_EQ(row.size(), jet::minimumRowSize(layout) + sid.size());
}

// A table whose definition lost a fixed and a variable column: rows carry the
// full column count and every slot; the deleted ones stay empty.
TEST(RowEncoding, RowsOfTablesWithDeletedColumnsKeepEverySlot) {
  const jet::RowLayout layout{6, 3, 12};
  const Bytes a{1, 0, 0, 0};
  const Bytes c{2, 0, 0, 0};
  const Bytes first{'f', 0};
  const Bytes last{'l', 0, 'x', 0};
  const std::vector<jet::RowField> fields = {
      {0, true, false, 0, 0, true, a},       {2, true, false, 8, 0, true, c},
      {3, false, false, 0, 0, true, first},  {5, false, false, 0, 2, true, last},
      {4, true, true, 0, 0, true, {}},
  };
  Bytes row;
  jet::encodeRow(layout, fields, row);
  const jet::RowFrame frame(row, true, jet::kJet4Format);
  EXPECT_EQ(frame.columnCount(), 6u);
  EXPECT_EQ(frame.variableSlotCount(), 3u);
  EXPECT_TRUE(frame.maskBit(0));
  EXPECT_FALSE(frame.maskBit(1));  // the deleted column
  EXPECT_TRUE(frame.maskBit(4));   // the boolean is true
  EXPECT_EQ(Bytes(frame.fixedBytes(8, 4).begin(), frame.fixedBytes(8, 4).end()), c);
  EXPECT_EQ(frame.fixedBytes(4, 4)[0], 0);  // a deleted fixed column's bytes are zero
  EXPECT_TRUE(frame.variableBytes(1).empty());
  EXPECT_EQ(Bytes(frame.variableBytes(2).begin(), frame.variableBytes(2).end()), last);
}

TEST(RowEncoding, RowsWithoutVariableColumnsAndWithNulls) {
  const jet::RowLayout layout{9, 0, 4};
  const std::vector<jet::RowField> fields = {{0, true, false, 0, 0, false, {}}, {8, true, true, 0, 0, true, {}}};
  Bytes row;
  jet::encodeRow(layout, fields, row);
  EXPECT_EQ(row, (Bytes{9, 0, 0, 0, 0, 0, 0x00, 0x01}));  // count, zeroed fixed area, two mask bytes
  const jet::RowFrame frame(row, false, jet::kJet4Format);
  EXPECT_FALSE(frame.maskBit(0));
  EXPECT_TRUE(frame.maskBit(8));

  // A definition that contradicts itself is refused, not written.
  const std::vector<jet::RowField> beyond = {{9, true, false, 0, 0, true, Bytes{1, 2, 3, 4}}};
  EXPECT_THROW(jet::encodeRow(layout, beyond, row), jet::Error);
  const std::vector<jet::RowField> tooWide = {{1, true, false, 2, 0, true, Bytes{1, 2, 3, 4}}};
  EXPECT_THROW(jet::encodeRow(layout, tooWide, row), jet::Error);
}

}  // namespace
