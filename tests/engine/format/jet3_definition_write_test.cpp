// Writing Access 97 table definitions and property blobs: what the writer
// produces must read back through the Access 97 parsers, with names in the
// database's code page and the per-column code page Access 97 keeps.
#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/format_version.h"
#include "format/property_blob.h"
#include "format/property_blob_writer.h"
#include "format/table_definition.h"
#include "format/table_definition_writer.h"
#include "format/text_codec.h"
#include "jet/error.h"

namespace {

const jet::TextCodec& western() { return *jet::TextCodec::forCodePage(1252); }

jet::TableDefinition twoColumnTable(std::u16string textName) {
  jet::TableDefinition d;
  d.tableType = 0x4E;
  d.maxColumns = 2;
  d.varColumns = 1;
  jet::ColumnDefinition id;
  id.name = u"ID";
  id.type = jet::DataType::Long;
  id.length = 4;
  id.flags = 0x01 | 0x04;  // fixed, updatable
  jet::ColumnDefinition text;
  text.name = std::move(textName);
  text.type = jet::DataType::Text;
  text.number = 1;
  text.position = 1;
  text.length = 50;  // characters: one byte each
  text.sortOrder = 0x0409;
  text.codePage = 1252;
  text.flags = 0x04;
  d.columns = {id, text};
  jet::LogicalIndexDefinition index;
  index.name = u"Clé";
  d.logicalIndexes = {index};
  jet::RealIndexDefinition real;
  real.columns = {jet::IndexKeyColumn{0, true}};
  d.realIndexes = {real};
  return d;
}

TEST(Jet3DefinitionWrite, NamesAndCodePagesReadBack) {
  const std::vector<std::uint8_t> buffer =
      jet::buildTableDefinition(twoColumnTable(u"Prénom"), 0x0409, jet::kJet3Format, western());
  const jet::TableDefinition back = jet::parseTableDefinition(buffer, jet::kJet3Format, western());
  ASSERT_EQ(back.columns.size(), 2u);
  EXPECT_EQ(back.columns[1].name, u"Prénom");
  EXPECT_EQ(back.columns[1].length, 50u);
  EXPECT_EQ(back.columns[1].codePage, 1252);
  EXPECT_EQ(back.columns[1].sortOrder, 0x0409);
  ASSERT_EQ(back.logicalIndexes.size(), 1u);
  EXPECT_EQ(back.logicalIndexes[0].name, u"Clé");
  ASSERT_EQ(back.realIndexes.size(), 1u);

  // A name is one length byte and one byte per character ("é" is E9).
  const std::size_t names = jet::kJet3Format.tdefHeaderSize + jet::kJet3Format.realIndexCounterSize +
                            2 * jet::kJet3Format.columnSize;
  EXPECT_EQ(buffer[names], 2);  // "ID"
  EXPECT_EQ(buffer[names + 3], 6);
  EXPECT_EQ(buffer[names + 3 + 1 + 2], 0xE9);
  // Non-text columns name the database's code page too, as Access 97 files do.
  const std::size_t idColumn = jet::kJet3Format.tdefHeaderSize + jet::kJet3Format.realIndexCounterSize;
  EXPECT_EQ(jet::loadU16(buffer.data() + idColumn + jet::kJet3Format.columnCodePage), 1252);
}

TEST(Jet3DefinitionWrite, RefusesANameTheCodePageCannotHold) {
  try {
    jet::buildTableDefinition(twoColumnTable(u"Имя"), 0x0409, jet::kJet3Format, western());
    FAIL() << "a Cyrillic name was written in code page 1252";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
    EXPECT_NE(std::string(e.what()).find("1252"), std::string::npos) << e.what();
  }
  // The same name fits a Cyrillic database, whose code page lacks the 'é' of
  // the index name.
  const auto cyrillic = jet::TextCodec::forCodePage(1251);
  ASSERT_NE(cyrillic, nullptr);
  jet::TableDefinition table = twoColumnTable(u"Имя");
  EXPECT_THROW(jet::buildTableDefinition(table, 0x0409, jet::kJet3Format, *cyrillic), jet::Error);
  table.logicalIndexes[0].name = u"Ключ";
  const auto buffer = jet::buildTableDefinition(table, 0x0409, jet::kJet3Format, *cyrillic);
  EXPECT_EQ(jet::parseTableDefinition(buffer, jet::kJet3Format, *cyrillic).columns[1].name, u"Имя");
}

TEST(Jet3DefinitionWrite, PropertyBlobsUseTheAccess97Signature) {
  const std::vector<jet::PropertyChunk> chunks = {
      jet::PropertyChunk{u"Prénom", {jet::booleanProperty(u"Required", true)}}};
  const std::vector<std::uint8_t> blob = jet::encodePropertyBlob(chunks, western());
  ASSERT_GE(blob.size(), 4u);
  EXPECT_EQ(std::string(blob.begin(), blob.begin() + 3), "KKD");
  const auto sets = jet::parsePropertyBlob(blob, western());
  const jet::Property* required = jet::findProperty(sets, u"Prénom", u"Required");
  ASSERT_NE(required, nullptr);
  EXPECT_TRUE(jet::propertyIsTrue(*required));
  // A Jet 4 reader does not take it for its own.
  EXPECT_THROW(jet::parsePropertyBlob(blob, jet::TextCodec::unicode()), jet::Error);
}

}  // namespace
