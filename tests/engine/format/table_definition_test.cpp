// Table definitions: parsing a crafted definition block by block, definitions
// spread over several pages, and damaged counts and chains.
#include <gtest/gtest.h>

#include "format/table_definition.h"
#include "format/text_codec.h"
#include "jet/error.h"
#include "support/page_images.h"

namespace {

using qbtest::Bytes;
using qbtest::concat;
using qbtest::u16Bytes;
using qbtest::u32Bytes;

Bytes name(const std::u16string& s) {
  Bytes b = u16Bytes(static_cast<std::uint16_t>(2 * s.size()));
  for (char16_t c : s) b = concat({b, u16Bytes(c)});
  return b;
}

Bytes column(std::uint8_t type, std::uint16_t number, std::uint16_t varSlot, std::uint16_t position,
             std::uint16_t sortOrPrecision, std::uint8_t flags, std::uint8_t ext, std::uint16_t fixedOffset,
             std::uint16_t length) {
  return concat({Bytes{type}, u32Bytes(1625), u16Bytes(number), u16Bytes(varSlot), u16Bytes(position),
                 u16Bytes(sortOrPrecision), Bytes{0, 0, flags, ext}, u32Bytes(0), u16Bytes(fixedOffset),
                 u16Bytes(length)});
}

// A definition of table "People": ID (Long autonumber, fixed), Name (Text 50,
// variable slot 0), Notes (Memo, slot 1), Price (Numeric 18,6, fixed); one real
// index on ID (primary key) shared by two logical indexes.
Bytes peopleDefinition() {
  Bytes header(63, 0);
  header[0] = 0x02;
  header[1] = 0x01;
  qbtest::putU32(header, 12, 1625);
  qbtest::putU32(header, 16, 12);  // rows
  qbtest::putU32(header, 20, 77);  // autonumber
  header[40] = 0x4E;
  qbtest::putU16(header, 41, 6);  // rows carry 6 columns (two were deleted)
  qbtest::putU16(header, 43, 3);  // and 3 variable slots
  qbtest::putU16(header, 45, 4);
  qbtest::putU32(header, 47, 2);
  qbtest::putU32(header, 51, 1);
  qbtest::putU32(header, 55, 0x00000A01);  // owned pages: page 10 slot 1
  qbtest::putU32(header, 59, 0x00000A02);

  const Bytes counters = concat({u32Bytes(0), u32Bytes(12), u32Bytes(0)});
  const Bytes columns = concat(
      {column(0x04, 0, 0, 0, 0x0409, 0x07, 0, 0, 4), column(0x0A, 2, 0, 1, 0x0409, 0x02, 0x01, 0, 100),
       column(0x0C, 5, 2, 3, 0x0409, 0x02, 0x01, 0, 0), column(0x10, 3, 1, 2, 0x0612, 0x03, 0, 4, 17)});
  const Bytes names = concat({name(u"ID"), name(u"Name"), name(u"Notes"), name(u"Price")});
  Bytes keys;
  keys = concat({u16Bytes(0), Bytes{0x01}});
  for (int i = 1; i < 10; ++i) keys = concat({keys, u16Bytes(0xFFFF), Bytes{0x00}});
  const Bytes real = concat(
      {u32Bytes(1923), keys, u32Bytes(0x00000B00), u32Bytes(33), u32Bytes(0), Bytes{0x89}, Bytes(5, 0)});
  const auto logical = [](std::uint32_t number, std::uint8_t role, std::int32_t fkIndex,
                          std::uint32_t fkTable, std::uint8_t kind) {
    return concat({u32Bytes(1625), u32Bytes(number), u32Bytes(0), Bytes{role},
                   u32Bytes(static_cast<std::uint32_t>(fkIndex)), u32Bytes(fkTable), Bytes{1, 2, kind},
                   u32Bytes(0)});
  };
  const Bytes logicals = concat({logical(0, 0, -1, 0, 1), logical(1, 1, 3, 44, 2)});
  const Bytes logicalNames = concat({name(u"PrimaryKey"), name(u"OrdersPeople")});
  const Bytes longValues =
      concat({u16Bytes(5), u32Bytes(0x00000C00), u32Bytes(0x00000C01), u16Bytes(0xFFFF)});
  Bytes def = concat({header, counters, columns, names, real, logicals, logicalNames, longValues});
  qbtest::putU32(def, 8, static_cast<std::uint32_t>(def.size()));
  return def;
}

TEST(TableDefinition, ParsesEveryBlock) {
  const jet::TableDefinition t = jet::parseTableDefinition(peopleDefinition(), jet::kJet4Format, jet::TextCodec::unicode());
  EXPECT_EQ(t.rowCount, 12u);
  EXPECT_EQ(t.autoNumber, 77u);
  EXPECT_EQ(t.maxColumns, 6u);
  EXPECT_EQ(t.varColumns, 3u);
  EXPECT_EQ(t.ownedPages, jet::RowId::of(10, 1));
  ASSERT_EQ(t.columns.size(), 4u);
  EXPECT_EQ(t.columns[1].name, u"Name");
  EXPECT_EQ(t.columns[1].type, jet::DataType::Text);
  EXPECT_EQ(t.columns[1].sortOrder, 0x0409);
  EXPECT_EQ(t.columns[1].extFlags, 0x01);
  EXPECT_FALSE(t.columns[1].isFixed());
  EXPECT_EQ(t.columns[2].varSlot, 2u);
  EXPECT_EQ(t.columns[3].precision, 18);
  EXPECT_EQ(t.columns[3].scale, 6);
  EXPECT_EQ(t.columns[3].fixedOffset, 4u);
  EXPECT_TRUE(t.columns[3].isFixed());

  ASSERT_EQ(t.realIndexes.size(), 1u);
  ASSERT_EQ(t.realIndexes[0].columns.size(), 1u);
  EXPECT_TRUE(t.realIndexes[0].columns[0].ascending);
  EXPECT_EQ(t.realIndexes[0].rootPage, 33u);
  EXPECT_EQ(t.realIndexes[0].flags, 0x89);
  EXPECT_EQ(t.realIndexes[0].uniqueCount, 12u);

  ASSERT_EQ(t.logicalIndexes.size(), 2u);
  EXPECT_EQ(t.logicalIndexes[1].name, u"OrdersPeople");
  EXPECT_EQ(t.logicalIndexes[1].foreignKeyIndex, 3);
  EXPECT_EQ(t.logicalIndexes[1].foreignKeyTable, 44u);
  EXPECT_EQ(t.logicalIndexes[1].kind, 2);

  ASSERT_EQ(t.longValueMaps.size(), 1u);
  EXPECT_EQ(t.longValueMaps[0].columnNumber, 5u);
  EXPECT_EQ(t.longValueMaps[0].freePages, jet::RowId::of(12, 1));
}

TEST(TableDefinition, StaleBytesAfterTheStatedEndAreNotLongValueMaps) {
  Bytes def = peopleDefinition();
  def.resize(def.size() - 12);  // drop block G entirely, as some writers do
  qbtest::putU32(def, 8, static_cast<std::uint32_t>(def.size()));
  def.resize(def.size() + 40, 0x11);  // stale page contents
  EXPECT_TRUE(jet::parseTableDefinition(def, jet::kJet4Format, jet::TextCodec::unicode()).longValueMaps.empty());
}

TEST(TableDefinition, RefusesCountsTheBufferCannotHold) {
  const auto failure = [](const Bytes& def) -> std::string {
    try {
      jet::parseTableDefinition(def, jet::kJet4Format, jet::TextCodec::unicode());
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
      return e.what();
    }
    return "no error";
  };
  const Bytes good = peopleDefinition();
  EXPECT_NE(failure(Bytes(good.begin(), good.begin() + 40)).find("shorter than its fixed header"),
            std::string::npos);

  Bytes columns = good;
  qbtest::putU16(columns, 45, 0xFFFF);
  EXPECT_NE(failure(columns).find("65535 columns"), std::string::npos);

  Bytes indexes = good;
  qbtest::putU32(indexes, 51, 0xFFFFFFFF);  // checked before anything is allocated
  EXPECT_NE(failure(indexes).find("real indexes"), std::string::npos);

  Bytes longName = good;
  qbtest::putU16(longName, 63 + 12 + 4 * 25, 0x7FFE);  // first column name runs past the end
  EXPECT_NE(failure(longName).find("column name"), std::string::npos);

  Bytes oddName = good;
  qbtest::putU16(oddName, 63 + 12 + 4 * 25, 3);
  EXPECT_NE(failure(oddName).find("odd byte length"), std::string::npos);
}

// A definition of `n` fixed Long columns named c0, c1, ... and nothing else.
Bytes wideDefinition(std::uint16_t n) {
  Bytes def(63, 0);
  def[0] = 0x02;
  def[1] = 0x01;
  def[40] = 0x4E;
  qbtest::putU16(def, 41, n);
  qbtest::putU16(def, 45, n);
  for (std::uint16_t i = 0; i < n; ++i) {
    def = concat({def, column(0x04, i, 0, i, 0x0409, 0x03, 0, static_cast<std::uint16_t>(4 * i), 4)});
  }
  for (std::uint16_t i = 0; i < n; ++i) {
    const std::string label = "c" + std::to_string(i);
    def = concat({def, name(std::u16string(label.begin(), label.end()))});
  }
  def = concat({def, u16Bytes(0xFFFF)});
  qbtest::putU32(def, 8, static_cast<std::uint32_t>(def.size()));
  return def;
}

TEST(TableDefinition, JoinsContinuationPagesAndDetectsLoops) {
  // 300 columns take about 9 KB: page 1, then 3, then 2, each continuation
  // carrying its part after an 8-byte header.
  const Bytes def = wideDefinition(300);
  ASSERT_GT(def.size(), 2 * qbtest::kPageSize);
  const std::size_t part = qbtest::kPageSize - 8;
  const auto page = [](Bytes bytes, std::uint32_t next) {
    bytes.resize(qbtest::kPageSize, 0);
    qbtest::putU32(bytes, 4, next);
    return bytes;
  };
  const auto continuation = [&](std::size_t from, std::uint32_t next) {
    const std::size_t to = std::min(def.size(), from + part);
    return page(
        concat({Bytes{0x02, 0x01, 0, 0, 0, 0, 0, 0}, Bytes(def.begin() + static_cast<std::ptrdiff_t>(from),
                                                           def.begin() + static_cast<std::ptrdiff_t>(to))}),
        next);
  };
  const Bytes first = page(Bytes(def.begin(), def.begin() + qbtest::kPageSize), 3);
  const Bytes second = continuation(qbtest::kPageSize, 2);
  const Bytes third = continuation(qbtest::kPageSize + part, 0);

  auto pager = qbtest::pagerOver({Bytes{}, first, third, second});
  std::vector<std::uint32_t> pages;
  const Bytes buffer = jet::readTableDefinitionBuffer(*pager, 1, &pages);
  EXPECT_EQ(pages, (std::vector<std::uint32_t>{1, 3, 2}));
  EXPECT_TRUE(std::equal(def.begin() + 8, def.end(), buffer.begin() + 8));  // all but the next-page field
  const jet::TableDefinition t = jet::readTableDefinition(*pager, 1, jet::kJet4Format, jet::TextCodec::unicode());
  ASSERT_EQ(t.columns.size(), 300u);
  EXPECT_EQ(t.columns[299].name, u"c299");
  EXPECT_EQ(t.columns[299].fixedOffset, 4u * 299);

  auto looping = qbtest::pagerOver({Bytes{}, first, page(third, 3), second});
  try {
    jet::readTableDefinition(*looping, 1, jet::kJet4Format, jet::TextCodec::unicode());
    ADD_FAILURE();
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("table definition at page 1: the definition's page chain loops"),
              std::string::npos)
        << e.what();
  }
  auto wrongType = qbtest::pagerOver({Bytes{}, first, third, qbtest::dataPage(1, {})});
  EXPECT_THROW(jet::readTableDefinition(*wrongType, 1, jet::kJet4Format, jet::TextCodec::unicode()), jet::Error);
  // Cut after the first page: the columns' names are missing.
  auto cut = qbtest::pagerOver({Bytes{}, page(first, 0)});
  EXPECT_THROW(jet::readTableDefinition(*cut, 1, jet::kJet4Format, jet::TextCodec::unicode()), jet::Error);
}

}  // namespace
