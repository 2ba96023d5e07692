// Access 97 codecs on crafted bytes: rows with one-byte offsets and their jump
// table, single-byte code-page text, and General 97 text keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/format_version.h"
#include "format/index_key.h"
#include "format/row_encoder.h"
#include "format/row_frame.h"
#include "format/text_codec.h"
#include "jet/error.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string hexOf(const Bytes& b) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (std::uint8_t x : b) {
    if (!s.empty()) s += ' ';
    s += digits[x >> 4];
    s += digits[x & 15];
  }
  return s;
}

TEST(Jet3Row, ReadsAFileRow) {
  // Four columns: Long 0, Long 2 (fixed), "foo" and "foo2" (variable).
  const Bytes row = {0x04, 0, 0, 0, 0, 0x02, 0, 0, 0, 'f', 'o', 'o', 'f', 'o', 'o', '2', 0x10, 0x0C, 0x09, 0x02, 0x0F};
  const jet::RowFrame frame(row, true, jet::kJet3Format);
  EXPECT_EQ(frame.columnCount(), 4u);
  EXPECT_EQ(frame.variableSlotCount(), 2u);
  const jet::ByteSpan a = frame.variableBytes(0);
  const jet::ByteSpan b = frame.variableBytes(1);
  EXPECT_EQ(std::string(a.begin(), a.end()), "foo");
  EXPECT_EQ(std::string(b.begin(), b.end()), "foo2");
}

// Rows whose variable data crosses 256-byte boundaries: the jump table (with
// its dummy byte when fewer boundaries are crossed than the length allows)
// written by the encoder and read back by the frame.
TEST(Jet3Row, OffsetsPastEachBoundaryReadBackThroughTheJumpTable) {
  for (const std::size_t firstSize : {0u, 1u, 200u, 250u, 254u, 255u, 256u, 300u, 511u, 700u}) {
    for (const std::size_t secondSize : {0u, 3u, 255u, 600u}) {
      SCOPED_TRACE(std::to_string(firstSize) + " + " + std::to_string(secondSize));
      const Bytes fixed = {1, 2, 3, 4};
      const Bytes first(firstSize, 'a');
      const Bytes second(secondSize, 'b');
      const Bytes third = {'z'};
      jet::RowLayout layout;
      layout.countSize = 1;
      layout.columnCount = 4;
      layout.varSlots = 3;
      layout.fixedSize = fixed.size();
      const std::vector<jet::RowField> fields = {
          {0, true, false, 0, 0, true, fixed},
          {1, false, false, 0, 0, true, first},
          {2, false, false, 0, 1, true, second},
          {3, false, false, 0, 2, true, third},
      };
      Bytes row;
      jet::encodeRow(layout, fields, row);
      const jet::RowFrame frame(row, true, jet::kJet3Format);
      ASSERT_EQ(frame.variableSlotCount(), 3u);
      EXPECT_EQ(Bytes(frame.variableBytes(0).begin(), frame.variableBytes(0).end()), first);
      EXPECT_EQ(Bytes(frame.variableBytes(1).begin(), frame.variableBytes(1).end()), second);
      EXPECT_EQ(Bytes(frame.variableBytes(2).begin(), frame.variableBytes(2).end()), third);
      EXPECT_GE(row.size(), jet::minimumRowSize(layout));
    }
  }
}

TEST(Jet3Row, OffsetsPastTheRowAreCorruption) {
  Bytes row = {0x04, 0, 0, 0, 0, 0x02, 0, 0, 0, 'f', 'o', 'o', 'f', 'o', 'o', '2', 0x10, 0x0C, 0x09, 0x02, 0x0F};
  row[16] = 0xF0;  // end of variable data far past the row
  EXPECT_THROW(
      {
        const jet::RowFrame frame(row, true, jet::kJet3Format);
        (void)frame.variableBytes(1);
      },
      jet::Error);
  Bytes cut = {0x04, 0x01};  // a count and nothing the count needs
  EXPECT_THROW(jet::RowFrame(cut, true, jet::kJet3Format), jet::Error);
}

TEST(CodePageText, EveryByteOfEachCodePageReadsAndWritesBack) {
  for (const std::uint16_t codePage : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    SCOPED_TRACE(codePage);
    const jet::TextCodec* codec = jet::TextCodec::forCodePage(codePage);
    ASSERT_NE(codec, nullptr);
    EXPECT_TRUE(codec->singleByte());
    Bytes all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    const std::u16string text = codec->decode(all);
    ASSERT_EQ(text.size(), all.size());
    // Bytes a code page leaves undefined still come back as they were.
    EXPECT_EQ(codec->firstUnencodable(text), std::u16string::npos);
    Bytes again;
    codec->encode(text, true, again);
    EXPECT_EQ(again, all);
  }
  EXPECT_EQ(jet::TextCodec::forCodePage(932), nullptr);  // double-byte Japanese
  EXPECT_EQ(jet::TextCodec::forCodePage(0), nullptr);
}

TEST(CodePageText, KnowsWhatItCannotHold) {
  const jet::TextCodec& western = *jet::TextCodec::forCodePage(1252);
  EXPECT_EQ(western.decode(Bytes{0x80, 0x9F, 0xE9}), u"€Ÿé");
  EXPECT_EQ(western.firstUnencodable(u"Zoë €"), std::u16string::npos);
  EXPECT_EQ(western.firstUnencodable(u"abЖc"), 2u);
  EXPECT_EQ(western.firstUnencodable(u"\U0001F600"), 0u);  // a surrogate pair
  const std::string message = jet::unencodableCharacter(u"abЖc", 2, western);
  EXPECT_NE(message.find("U+0416"), std::string::npos) << message;
  EXPECT_NE(message.find("1252"), std::string::npos) << message;
  const jet::TextCodec& cyrillic = *jet::TextCodec::forCodePage(1251);
  EXPECT_EQ(cyrillic.firstUnencodable(u"abЖc"), std::u16string::npos);
  EXPECT_EQ(cyrillic.decode(Bytes{0xC6}), u"Ж");
  EXPECT_EQ(jet::TextCodec::unicode().firstUnencodable(u"abЖc"), std::u16string::npos);
}

std::string general97Key(const std::u16string& text, bool ascending = true) {
  jet::KeyColumn column;
  column.type = jet::DataType::Text;
  column.ascending = ascending;
  column.codePage = 1252;
  Bytes out;
  jet::appendKeyColumn(jet::Value::text(text), column, out);
  return hexOf(out);
}

TEST(General97Keys, BaseLettersThenAccentNibbles) {
  EXPECT_EQ(general97Key(u"abc"), "7F 60 61 62 00");
  EXPECT_EQ(general97Key(u"ABC"), "7F 60 61 62 00");  // case does not count
  EXPECT_EQ(general97Key(u"äbc"), "7F 60 61 62 06 00");
  EXPECT_EQ(general97Key(u"Abé"), "7F 60 61 66 02 40");
  EXPECT_EQ(general97Key(u"-Á-Á-"), "7F 1E 60 1E 60 1E 04 40");
  EXPECT_EQ(general97Key(u"abc", false), "80 9F 9E 9D FF");
  // Trailing spaces take no part; characters outside the code page neither.
  EXPECT_EQ(general97Key(u"abc   "), general97Key(u"abc"));
  EXPECT_EQ(general97Key(u"aЖbc"), general97Key(u"abc"));
  EXPECT_TRUE(jet::canEncodeSortOrder(jet::kGeneralSortOrder, 0, 1252));
  EXPECT_FALSE(jet::canEncodeSortOrder(jet::kGeneralSortOrder, 0, 1251));
}

}  // namespace
