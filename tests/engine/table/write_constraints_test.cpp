// Writes the engine refuses, and what it keeps while writing: required
// fields, text too long for its field, bad conversions, rows too large, rows
// that are gone, system tables, autonumbers and the stored row count. A refused
// write changes nothing, alone or inside a transaction.
#include <gtest/gtest.h>

#include <set>

#include "format/table_definition_writer.h"
#include "jet/error.h"
#include "jet/text.h"
#include "support/write_fixtures.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace {

using jet::DataType;
using jet::Value;

jet::TableSpec peopleSpec() {
  jet::TableSpec spec;
  spec.name = u"People";
  qbtest::addColumn(spec, u"ID", DataType::Long).autoNumber = true;
  qbtest::addColumn(spec, u"Name", DataType::Text, 10).required = true;
  qbtest::addColumn(spec, u"Age", DataType::Byte);
  qbtest::addColumn(spec, u"Key", DataType::Guid).guidAutoNumber = true;
  qbtest::addColumn(spec, u"Wide1", DataType::Text, 255).compressedUnicode = false;
  qbtest::addColumn(spec, u"Wide2", DataType::Text, 255).compressedUnicode = false;
  qbtest::addColumn(spec, u"Code", DataType::Text, 5).allowZeroLength = false;
  return spec;
}

struct Fixture : qbtest::NewTableFixture {
  Fixture() : NewTableFixture(peopleSpec()) {}

  std::vector<Value> row(const char16_t* name, int age = 30) {
    return {Value(), name ? Value::text(name) : Value(), Value::longInt(age), Value(), Value(), Value(), Value()};
  }

  jet::Error refusal(std::vector<Value> values, jet::RowId update = {}) {
    const auto before = file.bytes();
    try {
      if (update.value != 0) {
        table->updateRow(update, values);
      } else {
        table->insertRow(values);
      }
    } catch (const jet::Error& e) {
      EXPECT_EQ(file.bytes(), before);  // nothing written
      return e;
    }
    ADD_FAILURE() << "written";
    return jet::Error(jet::ErrorCode::InvalidArgument, "");
  }
};

TEST(WriteConstraints, RequiredFieldsTooLongTextAndBadValuesAreRefused) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  jet::Error e = f.refusal(f.row(nullptr));
  EXPECT_EQ(e.code(), jet::ErrorCode::Constraint);
  EXPECT_NE(std::string(e.what()).find("field 'Name' of table 'People' is required"), std::string::npos);

  e = f.refusal(f.row(u"Abcdefghijk"));
  EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
  EXPECT_NE(std::string(e.what()).find("'Name'"), std::string::npos);
  EXPECT_NE(std::string(e.what()).find("at most 10"), std::string::npos);

  e = f.refusal(f.row(u"Ann", 300));
  EXPECT_NE(std::string(e.what()).find("300"), std::string::npos);
  EXPECT_NE(std::string(e.what()).find("out of range"), std::string::npos);

  std::vector<Value> empty = f.row(u"Ann");
  empty[6] = Value::text(u"");
  e = f.refusal(empty);
  EXPECT_EQ(e.code(), jet::ErrorCode::Constraint);
  EXPECT_NE(std::string(e.what()).find("'Code'"), std::string::npos);
  EXPECT_NE(std::string(e.what()).find("zero-length"), std::string::npos);
  std::vector<Value> emptyName = f.row(u"");  // allowed where the property says so
  EXPECT_NO_THROW(f.table->insertRow(emptyName));

  std::vector<Value> wrongCount(3);
  EXPECT_EQ(f.refusal(wrongCount).code(), jet::ErrorCode::InvalidArgument);

  // Two full fields of text that does not compress: more than a row holds.
  std::vector<Value> wide = f.row(u"Ann");
  wide[4] = Value::text(std::u16string(255, u'\u4E2D'));
  wide[5] = Value::text(std::u16string(255, u'\u4E2D'));
  wide[2] = Value();
  EXPECT_NO_THROW(f.table->insertRow(wide));  // 1020 bytes fit
  EXPECT_EQ(f.table->storedRowCount(), 2u);
}

TEST(WriteConstraints, AutonumbersAreHandedOutKeptAndNeverChanged) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  std::vector<Value> a = f.row(u"Ann");
  std::vector<Value> b = f.row(u"Bob");
  const jet::RowId ida = f.table->insertRow(a);
  f.table->insertRow(b);
  EXPECT_EQ(a[0], Value::longInt(1));
  EXPECT_EQ(b[0], Value::longInt(2));
  EXPECT_NE(a[3], b[3]);  // fresh GUIDs
  EXPECT_EQ(a[3].asGuid().bytes[7] >> 4, 4);  // random ones
  std::vector<Value> given = f.row(u"Cid");
  given[0] = Value::longInt(100);
  f.table->insertRow(given);
  std::vector<Value> next = f.row(u"Dee");
  f.table->insertRow(next);
  EXPECT_EQ(next[0], Value::longInt(101));
  EXPECT_EQ(f.table->autoNumberCounter(), 101u);

  std::vector<Value> changed = a;
  changed[0] = Value::longInt(7);
  const jet::Error e = f.refusal(changed, ida);
  EXPECT_NE(std::string(e.what()).find("cannot be changed"), std::string::npos);
  changed[0] = Value();  // Null keeps the number
  changed[1] = Value::text(u"Anna");
  f.table->updateRow(ida, changed);
  EXPECT_EQ(changed[0], Value::longInt(1));

  f.db.reset();
  auto db = f.file.open();
  EXPECT_EQ(db->table(u"People")->autoNumberCounter(), 101u);
}

TEST(WriteConstraints, RowsThatAreGoneAndSystemTablesCannotBeWritten) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  std::vector<Value> a = f.row(u"Ann");
  const jet::RowId id = f.table->insertRow(a);
  f.table->deleteRow(id);
  EXPECT_EQ(f.refusal(a, id).code(), jet::ErrorCode::NotFound);
  EXPECT_THROW(f.table->deleteRow(id), jet::Error);
  EXPECT_THROW(f.table->deleteRow(jet::RowId::of(9999, 0)), jet::Error);

  auto catalog = f.db->table(u"MSysObjects");
  EXPECT_TRUE(catalog->isReadOnly());
  EXPECT_NE(catalog->readOnlyReason().find("system table"), std::string::npos);
  std::vector<Value> row = catalog->readRow(catalog->rowIds().front());
  try {
    catalog->updateRow(catalog->rowIds().front(), row);
    ADD_FAILURE() << "written";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::ReadOnly);
  }
}

TEST(WriteConstraints, ARefusedWriteInsideATransactionUndoesOnlyItself) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  f.db->beginTransaction();
  std::vector<Value> a = f.row(u"Ann");
  f.table->insertRow(a);
  std::vector<Value> bad = f.row(nullptr);
  EXPECT_THROW(f.table->insertRow(bad), jet::Error);
  std::vector<Value> b = f.row(u"Bob");
  f.table->insertRow(b);
  EXPECT_TRUE(f.db->inTransaction());
  f.db->commitTransaction();
  EXPECT_EQ(f.table->rowIds().size(), 2u);
  EXPECT_EQ(f.table->storedRowCount(), 2u);
  EXPECT_EQ(b[0], Value::longInt(2));  // the refused row's number was given back
}

TEST(WriteConstraints, AStaleRowCountIsMadeExactByTheFirstWrite) {
  QB_REQUIRE_CORPUS();
  Fixture f;
  for (const char16_t* name : {u"A", u"B", u"C"}) {
    std::vector<Value> r = f.row(name);
    f.table->insertRow(r);
  }
  {
    // As files from elsewhere have it: a stored count that is off.
    jet::WriteScope scope(*f.db->impl().context);
    jet::writeDefinitionU32(qbtest::pagerOf(*f.db), f.table->impl().definition, jet::kJet4Format.tdefRowCount, 17,
                            jet::kJet4Format);
    scope.commit();
  }
  f.db.reset();  // the table outlives its database: it no longer holds the file
  f.db = f.file.open();
  EXPECT_FALSE(f.db->isReadOnly());
  qbtest::recordIndexCalls(*f.db);
  f.table = f.db->table(u"People");
  EXPECT_EQ(f.table->storedRowCount(), 17u);
  std::vector<Value> d = f.row(u"D");
  f.table->insertRow(d);
  EXPECT_EQ(f.table->storedRowCount(), 4u);
}

}  // namespace
