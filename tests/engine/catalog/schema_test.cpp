// Schema changes on the simulated disk: what a TableSpec may hold,
// definitions that span pages, names that are taken, dropping a table down to
// its last page, indexes added and dropped without touching the rest of the
// definition, and tables that must stay read-only.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/new_table_layout.h"
#include "format/table_definition.h"
#include "format/table_definition_writer.h"
#include "jet/error.h"
#include "jet/text.h"
#include "support/write_checks.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace {

using jet::DataType;
using jet::Value;
using qbtest::MemoryDatabase;

jet::ColumnSpec column(std::u16string name, DataType type, std::uint16_t size = 0) {
  jet::ColumnSpec c;
  c.name = std::move(name);
  c.type = type;
  c.size = size;
  return c;
}

jet::IndexSpec index(std::u16string name, std::vector<jet::IndexColumnSpec> columns) {
  jet::IndexSpec i;
  i.name = std::move(name);
  i.columns = std::move(columns);
  return i;
}

jet::TableSpec simpleSpec(std::u16string name) {
  jet::TableSpec spec;
  spec.name = std::move(name);
  spec.columns = {column(u"ID", DataType::Long), column(u"Name", DataType::Text, 30),
                  column(u"Notes", DataType::Memo)};
  spec.columns[0].autoNumber = true;
  jet::IndexSpec pk = index(u"PrimaryKey", {{u"ID", true}});
  pk.primaryKey = true;
  spec.indexes = {pk, index(u"ByName", {{u"Name", true}})};
  return spec;
}

std::string layoutError(const jet::TableSpec& spec) {
  try {
    jet::layoutTable(spec, 0x0409, 0);
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
    return e.what();
  }
  ADD_FAILURE() << "laid out";
  return {};
}

TEST(SchemaLayout, RefusesWhatATableCannotHold) {
  const jet::TableSpec good = simpleSpec(u"T");
  const auto with = [&](const std::function<void(jet::TableSpec&)>& change) {
    jet::TableSpec s = good;
    change(s);
    return layoutError(s);
  };
  EXPECT_NE(with([](auto& s) { s.name = u""; }).find("needs a name"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.name = std::u16string(65, u'n'); }).find("longer than 64"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.name = u"a.b"; }).find("cannot have"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.name = u" lead"; }).find("begins with a space"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.columns[1].name = u"id"; }).find("two columns named"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.columns[1].autoNumber = true; }).find("autonumber"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.columns[1].size = 256; }).find("255 characters"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.columns.push_back(column(u"B", DataType::Binary)); }).find("1 to 255"),
            std::string::npos);
  EXPECT_NE(with([](auto& s) {
              s.columns.push_back(column(u"N", DataType::Numeric));
              s.columns.back().precision = 29;
            }).find("precision"),
            std::string::npos);
  EXPECT_NE(with([](auto& s) { s.indexes[1].columns[0].column = u"Nope"; }).find("does not have"), std::string::npos);
  EXPECT_NE(with([](auto& s) { s.indexes[1].columns[0].column = u"ID"; s.indexes[1].primaryKey = true; })
                .find("only one primary key"),
            std::string::npos);
  EXPECT_NE(with([](auto& s) {
              s.columns.push_back(column(u"P", DataType::Ole));
              s.indexes.push_back(index(u"ByPicture", {{u"P", true}}));
            }).find("OLE Object"),
            std::string::npos);
  EXPECT_NE(with([](auto& s) { s.indexes[1].columns.assign(11, {u"Name", true}); }).find("more than 10"),
            std::string::npos);
  EXPECT_NE(with([](auto& s) { s.columns.clear(); }).find("at least one column"), std::string::npos);
}

TEST(SchemaLayout, ColumnsGetNumbersSlotsOffsetsAndFlagsAsTheEngineGivesThem) {
  jet::TableSpec spec;
  spec.name = u"T";
  spec.columns = {column(u"A", DataType::Long), column(u"B", DataType::Boolean), column(u"C", DataType::Text, 10),
                  column(u"D", DataType::Double), column(u"E", DataType::Memo), column(u"F", DataType::Guid)};
  spec.columns[5].guidAutoNumber = true;
  const jet::TableDefinition d = jet::layoutTable(spec, 0x0409, 0);
  EXPECT_EQ(d.maxColumns, 6);
  EXPECT_EQ(d.varColumns, 2);
  const std::vector<std::uint16_t> offsets = {0, 0, 0, 4, 0, 12};
  const std::vector<std::uint8_t> flags = {0x03, 0x03, 0x02, 0x03, 0x02, 0x43};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(d.columns[i].number, i);
    EXPECT_EQ(d.columns[i].flags, flags[i]) << i;
    if (d.columns[i].isFixed()) {
      EXPECT_EQ(d.columns[i].fixedOffset, offsets[i]) << i;
    }
  }
  EXPECT_EQ(d.columns[2].varSlot, 0);
  EXPECT_EQ(d.columns[4].varSlot, 1);
  EXPECT_EQ(d.columns[2].length, 20);
  EXPECT_EQ(d.columns[2].extFlags, 0x01);
  ASSERT_EQ(d.longValueMaps.size(), 1u);
  EXPECT_EQ(d.longValueMaps[0].columnNumber, 4);
}

TEST(SchemaTables, ADefinitionLongerThanAPageSpansPagesAndReadsBack) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  jet::TableSpec spec;
  spec.name = u"Wide";
  for (int i = 0; i < 200; ++i) {
    spec.columns.push_back(column(u"Column with a long name number " + jet::fromUtf8(std::to_string(i)),
                                  i % 2 ? DataType::Long : DataType::Text, 10));
  }
  {
    auto db = file.open();
    qbtest::recordIndexCalls(*db);
    auto t = db->createTable(spec);
    EXPECT_GE(t->impl().definition.pages.size(), 4u);
    std::vector<Value> row(200);
    row[199] = Value::longInt(199);
    row[0] = Value::text(u"first");
    t->insertRow(row);
  }
  auto db = file.open();
  auto t = db->table(u"Wide");
  ASSERT_EQ(t->columns().size(), 200u);
  EXPECT_EQ(t->columns()[150].name, spec.columns[150].name);
  const auto ids = t->rowIds();
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(t->readValue(ids[0], 199), Value::longInt(199));
  EXPECT_EQ(t->readValue(ids[0], 0), Value::text(u"first"));
}

TEST(SchemaTables, ANameThatIsTakenIsRefusedAndNothingIsWritten) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-V2000-queryTestV2000.mdb");
  auto db = file.open();
  qbtest::recordIndexCalls(*db);
  const auto before = file.bytes();
  for (const char16_t* taken : {u"table1", u"MSYSOBJECTS", u"SelectQuery"}) {
    try {
      db->createTable(simpleSpec(taken));
      ADD_FAILURE() << "created " << jet::toUtf8(taken);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
      EXPECT_NE(std::string(e.what()).find("already names"), std::string::npos);
    }
  }
  EXPECT_EQ(file.bytes(), before);
}

TEST(SchemaTables, AFailureHalfWayThroughCreatingATableLeavesNoTrace) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  // An index maintenance that refuses the catalog row: the table's pages and
  // definition were written by then.
  struct Refusing final : qbtest::RecordingIndexMaintenance {
    void insertRow(jet::Table::Impl&, const std::vector<Value>&, jet::RowId) override {
      throw jet::Error(jet::ErrorCode::Constraint, "refused");
    }
  };
  db->impl().context->indexes = std::make_unique<Refusing>();
  const auto before = file.bytes();
  EXPECT_THROW(db->createTable(simpleSpec(u"New")), jet::Error);
  EXPECT_EQ(file.bytes(), before);
  EXPECT_FALSE(db->hasTable(u"New"));
  EXPECT_FALSE(file.vfs->exists(file.journal()));
}

TEST(SchemaTables, ADroppedTableGivesEveryPageAndCatalogEntryBack) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  std::vector<qbtest::RecordingIndexMaintenance::Call> calls;
  qbtest::recordIndexCalls(*db, &calls);
  jet::Pager& pager = qbtest::pagerOf(*db);
  const std::uint32_t pagesBefore = pager.pageCount();
  const std::size_t catalogRows = db->table(u"MSysObjects")->rowIds().size();
  const std::size_t aceRows = db->table(u"MSysACEs")->rowIds().size();

  auto t = db->createTable(simpleSpec(u"Doomed"));
  EXPECT_EQ(db->table(u"MSysObjects")->rowIds().size(), catalogRows + 1);
  EXPECT_GT(db->table(u"MSysACEs")->rowIds().size(), aceRows);
  db->beginTransaction();
  for (int i = 0; i < 300; ++i) {
    std::vector<Value> row{Value(), Value::text(u"name"), Value::text(std::u16string(i * 10, u'z'))};
    t->insertRow(row);
  }
  db->commitTransaction();
  ASSERT_GT(pager.pageCount(), pagesBefore + 20);

  db->dropTable(u"doomed");
  EXPECT_FALSE(db->hasTable(u"Doomed"));
  EXPECT_EQ(db->table(u"MSysObjects")->rowIds().size(), catalogRows);
  EXPECT_EQ(db->table(u"MSysACEs")->rowIds().size(), aceRows);
  const auto free = qbtest::freePages(pager);
  for (std::uint32_t p = pagesBefore; p < pager.pageCount(); ++p) EXPECT_TRUE(free.count(p)) << "page " << p;
  std::vector<Value> row{Value(), Value::text(u"x"), Value()};
  EXPECT_EQ([&] {
    try {
      t->insertRow(row);
    } catch (const jet::Error& e) {
      return e.code();
    }
    return jet::ErrorCode::InvalidArgument;
  }(), jet::ErrorCode::NotFound);
  // The catalog's index entries went too.
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const auto& c) { return c.what == 'r' && c.table == u"MSysObjects"; }));

  // New pages come from the freed ones now.
  auto again = db->createTable(simpleSpec(u"Again"));
  EXPECT_LT(again->definitionPage(), pager.pageCount());
  EXPECT_GE(again->definitionPage(), pagesBefore);
}

TEST(SchemaTables, SystemTablesAndTablesInRelationshipsAreNotDropped) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-V2000-indexTestV2000.mdb");
  auto db = file.open();
  qbtest::recordIndexCalls(*db);
  EXPECT_THROW(db->dropTable(u"MSysObjects"), jet::Error);
  try {
    db->dropTable(u"Table1");
    ADD_FAILURE() << "dropped";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Constraint);
    EXPECT_NE(std::string(e.what()).find("relationship"), std::string::npos);
  }
  EXPECT_THROW(db->dropTable(u"NoSuchTable"), jet::Error);
}

TEST(SchemaIndexes, AddingAndDroppingAnIndexKeepsTheRestOfTheDefinition) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  std::vector<qbtest::RecordingIndexMaintenance::Call> calls;
  qbtest::recordIndexCalls(*db, &calls);
  auto t = db->createTable(simpleSpec(u"Indexed"));
  jet::Pager& pager = qbtest::pagerOf(*db);
  const auto original = jet::readTableDefinitionBuffer(pager, t->definitionPage());
  const auto blocks = jet::locateBlocks(original, jet::kJet4Format);

  jet::IndexSpec byNotes = index(u"ByNotes", {{u"Notes", false}, {u"ID", true}});
  byNotes.unique = true;
  db->createIndex(u"Indexed", byNotes);
  EXPECT_EQ(calls.back().what, 'b');
  ASSERT_EQ(t->indexes().size(), 3u);
  EXPECT_EQ(t->indexes()[2].name, u"ByNotes");
  EXPECT_TRUE(t->indexes()[2].unique);
  EXPECT_FALSE(t->indexes()[2].columns[0].ascending);
  const auto grown = jet::readTableDefinitionBuffer(pager, t->definitionPage());
  // Columns and their names are untouched.
  EXPECT_TRUE(std::equal(original.begin() + static_cast<std::ptrdiff_t>(blocks.columns),
                         original.begin() + static_cast<std::ptrdiff_t>(blocks.realIndexes),
                         grown.begin() + static_cast<std::ptrdiff_t>(blocks.columns + 12)));
  EXPECT_THROW(db->createIndex(u"Indexed", byNotes), jet::Error);  // the name is taken

  const std::uint32_t root = t->impl().definition.realIndexes[2].rootPage;
  db->dropIndex(u"Indexed", u"bynotes");
  EXPECT_EQ(t->indexes().size(), 2u);
  EXPECT_TRUE(qbtest::freePages(pager).count(root));
  auto shrunk = jet::readTableDefinitionBuffer(pager, t->definitionPage());
  shrunk.resize(t->impl().definition.length);
  auto expected = original;
  expected.resize(shrunk.size());
  // Same bytes as before, apart from the page header's free-space field.
  EXPECT_TRUE(std::equal(expected.begin() + 8, expected.end(), shrunk.begin() + 8));
  EXPECT_THROW(db->dropIndex(u"Indexed", u"ByNotes"), jet::Error);

  // An index sharing its entries with another loses only its name.
  jet::TableSpec twice = simpleSpec(u"Twice");
  twice.indexes.push_back(index(u"ByNameAgain", {{u"Name", true}}));
  auto t2 = db->createTable(twice);
  EXPECT_EQ(t2->impl().definition.realIndexes.size(), 2u);
  db->dropIndex(u"Twice", u"ByNameAgain");
  EXPECT_EQ(t2->impl().definition.realIndexes.size(), 2u);
  EXPECT_EQ(t2->indexes().size(), 2u);
}

TEST(SchemaIndexes, AnIndexBuiltFromExistingRowsHasTheOrderInsertsKeep) {
  // Keys that agree in their first bytes and differ later, a key that is the
  // start of another, empty and missing values, case and repeats (equal keys
  // follow their rows), on an ascending and a descending column.
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  auto db = file.open();
  const std::vector<Value> names = {
      Value::text(u"Customer 000017"), Value::text(u"Customer 000002"), Value::text(u"Customer"),
      Value::text(u"Customer 000017"), Value::null(),                    Value::text(u""),
      Value::text(u"customer 000002"), Value::text(u"Customer 0000"),   Value::text(u"Customer 000017 b"),
      Value::text(u"Custom"),          Value::text(u"Customer 000002"), Value::text(u"A"),
      Value::null(),                   Value::text(u"Customer 000100"), Value::text(u"Customer 000017")};
  const auto withIndex = [](jet::TableSpec spec) {
    spec.indexes.resize(1);  // the primary key
    spec.indexes.push_back(index(u"ByName", {{u"Name", true}, {u"ID", false}}));
    spec.indexes.push_back(index(u"ByNameDown", {{u"Name", false}}));
    return spec;
  };
  jet::TableSpec later = simpleSpec(u"Later");
  later.indexes.resize(1);
  auto built = db->createTable(later);
  auto kept = db->createTable(withIndex(simpleSpec(u"Kept")));
  for (const Value& name : names) {
    for (const auto& t : {built, kept}) {
      std::vector<Value> row = {Value::null(), name, Value::null()};
      t->insertRow(row);
    }
  }
  for (const jet::IndexSpec& i : withIndex(later).indexes) {
    if (!i.primaryKey) db->createIndex(u"Later", i);
  }
  ASSERT_EQ(built->indexes().size(), kept->indexes().size());
  for (std::size_t i = 1; i < kept->indexes().size(); ++i) {
    const auto valuesInOrder = [&](const std::shared_ptr<jet::Table>& t) {
      std::vector<std::vector<Value>> rows;
      for (const jet::RowId id : t->rowIdsInIndexOrder(i)) rows.push_back(t->readRow(id));
      return rows;
    };
    const auto expected = valuesInOrder(kept);
    EXPECT_EQ(expected.size(), names.size());
    EXPECT_EQ(valuesInOrder(built), expected) << "index " << i;
    EXPECT_EQ(built->impl().definition.realIndexes[i].uniqueCount,
              kept->impl().definition.realIndexes[i].uniqueCount);
  }
}

TEST(SchemaIndexes, ATextIndexInAnUnknownSortOrderMakesTheTableReadOnly) {
  QB_REQUIRE_CORPUS();
  const auto file = MemoryDatabase::fromCorpus("jackcess-empty.mdb");
  {
    auto db = file.open();
    qbtest::recordIndexCalls(*db);
    auto t = db->createTable(simpleSpec(u"German"));
    // Give the indexed text column a sort order whose keys are unknown.
    const auto& def = t->impl().definition;
    const auto buffer = jet::readTableDefinitionBuffer(qbtest::pagerOf(*db), t->definitionPage());
    const auto blocks = jet::locateBlocks(buffer, jet::kJet4Format);
    jet::WriteScope scope(*db->impl().context);
    const std::uint8_t german[2] = {0x07, 0x04};
    jet::writeDefinitionBytes(qbtest::pagerOf(*db), def, blocks.columns + 25 + 11, german, jet::kJet4Format);
    scope.commit();
  }
  auto db = file.open();
  qbtest::recordIndexCalls(*db);
  auto t = db->table(u"German");
  EXPECT_TRUE(t->isReadOnly());
  EXPECT_NE(t->readOnlyReason().find("ByName"), std::string::npos);
  EXPECT_NE(t->readOnlyReason().find("0x407"), std::string::npos);
  std::vector<Value> row{Value(), Value::text(u"x"), Value()};
  try {
    t->insertRow(row);
    ADD_FAILURE() << "written";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ReadOnly);
    EXPECT_NE(std::string(e.what()).find("sort order"), std::string::npos);
  }
  EXPECT_FALSE(t->rowIds().size());  // still readable
}

}  // namespace
