// The ADO description of real files' columns: the type code and attribute bits
// ADO reports for each Jet type, which the dataset's field types follow.
#include <gtest/gtest.h>

#include "connection/ado_type.h"
#include "jet/database.h"
#include "jet/table.h"
#include "support/corpus_database.h"
#include "support/test_files.h"

namespace {

using qb::AdoType;
using qbtest::columnNamed;
using qbtest::openCorpusReadOnly;

TEST(AdoTypes, EachJetTypeGetsTheCodeAdoGivesIt) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  auto t = db->table(u"Table1");
  const AdoType expected[] = {AdoType::VarWChar, AdoType::VarWChar, AdoType::UnsignedTinyInt,
                              AdoType::SmallInt, AdoType::Integer,  AdoType::Double,
                              AdoType::Date,     AdoType::Currency, AdoType::Boolean};
  ASSERT_EQ(t->columns().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const jet::ColumnDef& c = t->columns()[i];
    SCOPED_TRACE(jet::dataTypeName(c.type));
    EXPECT_EQ(qb::adoTypeOf(c), expected[i]);
    EXPECT_EQ((qb::adoAttributesOf(c) & qb::kAdoFldFixed) != 0, c.fixedLength);
  }
  // A is the primary key: required, so not nullable. B is an ordinary column.
  EXPECT_EQ(qb::adoAttributesOf(t->columns()[0]), qb::kAdoFldUpdatable);
  EXPECT_EQ(qb::adoAttributesOf(t->columns()[1]),
            qb::kAdoFldUpdatable | qb::kAdoFldIsNullable | qb::kAdoFldMayBeNull);
}

TEST(AdoTypes, AutonumbersAreNotPlainlyUpdatableAndReplicationIdsAreGuids) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  const jet::ColumnDef& a = columnNamed(*db->table(u"Table3"), u"a");
  EXPECT_EQ(qb::adoTypeOf(a), AdoType::Integer);
  EXPECT_TRUE(qb::adoAttributesOf(a) & qb::kAdoFldUnknownUpdatable);
  EXPECT_FALSE(qb::adoAttributesOf(a) & qb::kAdoFldUpdatable);
  EXPECT_EQ(qb::adoTypeOf(columnNamed(*db->table(u"Table4"), u"data")), AdoType::Guid);
}

TEST(AdoTypes, LongValuesNumericsAndFixedText) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-fixedNumericTestV2000.mdb");
  auto t = db->table(u"test");
  const jet::ColumnDef& memo = columnNamed(*t, u"col1");
  EXPECT_EQ(qb::adoTypeOf(memo), AdoType::LongVarWChar);
  EXPECT_TRUE(qb::adoAttributesOf(memo) & qb::kAdoFldLong);
  EXPECT_FALSE(qb::adoAttributesOf(memo) & qb::kAdoFldFixed);
  EXPECT_EQ(qb::adoTypeOf(columnNamed(*t, u"col2")), AdoType::Numeric);

  auto ole = openCorpusReadOnly("jackcess-V2000-test2V2000.mdb");
  const jet::ColumnDef& blob = columnNamed(*ole->table(u"MSP_PROJECTS"), u"RESERVED_BINARY_DATA");
  EXPECT_EQ(qb::adoTypeOf(blob), AdoType::LongVarBinary);
  EXPECT_TRUE(qb::adoAttributesOf(blob) & qb::kAdoFldLong);

  auto fixed = openCorpusReadOnly("jackcess-V2000-fixedTextTestV2000.mdb");
  auto users = fixed->table(u"users");
  for (const jet::ColumnDef& c : users->columns()) {
    EXPECT_FALSE(qb::adoAttributesOf(c) & qb::kAdoFldIsNullable) << jet::dataTypeName(c.type);
  }
  EXPECT_EQ(qb::adoTypeOf(columnNamed(*users, u"c_flag_")), AdoType::WChar);
}

TEST(AdoTypes, TypeCodesJetDoesNotDefineHaveNoAdoType) {
  jet::ColumnDef c;
  c.type = static_cast<jet::DataType>(0x0E);
  EXPECT_EQ(qb::adoTypeOf(c), AdoType::Empty);
  c.type = jet::DataType::Unknown0D;
  EXPECT_EQ(qb::adoTypeOf(c), AdoType::VarBinary);
  c.fixedLength = true;
  EXPECT_EQ(qb::adoTypeOf(c), AdoType::Binary);
}

}  // namespace
