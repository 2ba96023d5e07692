// The public expression API as the data-access layer uses it: filters on rows,
// the empty filter, columns read, the clock, errors and where they point.
#include <gtest/gtest.h>

#include <vector>

#include "jet/error.h"
#include "jet/expression.h"
#include "support/error_of.h"

namespace {

using jet::DataType;
using jet::ExpressionColumn;
using jet::Filter;
using jet::RowSpan;
using jet::Value;

const std::vector<ExpressionColumn> kColumns = {
    {u"ID", DataType::Long}, {u"Name", DataType::Text}, {u"Price", DataType::Currency}, {u"Photo", DataType::Ole}};

std::vector<Value> row(int id, std::u16string name, std::int64_t priceUnits, jet::Bytes photo = {}) {
  return {Value::longInt(id), Value::text(std::move(name)), Value::currency({priceUnits}), Value::binary(std::move(photo))};
}

TEST(FilterTest, EmptyFilterPassesEveryRowAndReadsNothing) {
  const std::vector<Value> r = row(1, u"a", 0);
  for (const Filter& f : {Filter(), Filter::parse(u"", kColumns), Filter::parse(u" \t ", kColumns)}) {
    EXPECT_TRUE(f.isEmpty());
    EXPECT_TRUE(f.matches(RowSpan(r)));
    EXPECT_TRUE(f.columnsUsed().empty());
  }
}

TEST(FilterTest, ReportsTheColumnsItReadsOnceInOrder) {
  const Filter f = Filter::parse(u"Price > 1 And (name = 'x' Or PRICE < 0) And [ID] <> 0", kColumns);
  EXPECT_EQ(f.columnsUsed(), (std::vector<std::size_t>{0, 1, 2}));
}

TEST(FilterTest, CopiesShareTheCompiledFilter) {
  Filter copy;
  {
    const Filter original = Filter::parse(u"Name Like 'b*'", kColumns);
    copy = original;
  }
  EXPECT_TRUE(copy.matches(RowSpan(row(1, u"Bob", 0))));
  EXPECT_FALSE(copy.matches(RowSpan(row(2, u"Al", 0))));
}

TEST(FilterTest, BlankMatchesEmptyBinaryAndNull) {
  const Filter blank = Filter::parse(u"Photo = BLANK", kColumns);
  EXPECT_TRUE(blank.matches(RowSpan(row(1, u"a", 0))));
  EXPECT_FALSE(blank.matches(RowSpan(row(1, u"a", 0, {1}))));
  std::vector<Value> nullPhoto = row(1, u"a", 0);
  nullPhoto[3] = Value();
  EXPECT_TRUE(blank.matches(RowSpan(nullPhoto)));
}

TEST(FilterTest, ReadsTheClockItIsGiven) {
  jet::ExpressionOptions options;
  options.clock = [] { return jet::fromCivil({2010, 3, 4, 5, 6, 7, 0}); };
  const std::vector<ExpressionColumn> columns = {{u"Due", DataType::DateTime}};
  const Filter overdue = Filter::parse(u"Due < Now", columns, options);
  const std::vector<Value> past = {Value::dateTime(jet::fromCivil({2010, 3, 4, 0, 0, 0, 0}))};
  const std::vector<Value> future = {Value::dateTime(jet::fromCivil({2010, 3, 5, 0, 0, 0, 0}))};
  EXPECT_TRUE(overdue.matches(RowSpan(past)));
  EXPECT_FALSE(overdue.matches(RowSpan(future)));
}

TEST(FilterTest, PositionsCountCharactersOfTheText) {
  // Non-ASCII text before the name: the position counts characters, not bytes.
  const jet::Error e = qbtest::raisedError([] { Filter::parse(u"Name = 'Ärger' Or Nmae = 'x'", kColumns); });
  EXPECT_EQ(e.code(), jet::ErrorCode::Syntax);
  EXPECT_STREQ(e.what(), "Unknown field 'Nmae' in filter at position 19");
}

TEST(FilterTest, FailsWhileMatchingWhenARowCannotBeComputed) {
  const Filter f = Filter::parse(u"100 / ID > 1", kColumns);
  EXPECT_TRUE(f.matches(RowSpan(row(50, u"a", 0))));
  const jet::Error e = qbtest::raisedError([&] { f.matches(RowSpan(row(0, u"a", 0))); });
  EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
  EXPECT_STREQ(e.what(), "Division by zero in filter at position 5");
}

TEST(FilterTest, ConstantFailuresWaitUntilEvaluated) {
  // Folding a constant that fails must not fail the bind: the branch is never taken.
  const Filter f = Filter::parse(u"IIf(ID > 0, True, 1 / 0 = 1)", kColumns);
  EXPECT_TRUE(f.matches(RowSpan(row(1, u"a", 0))));
  EXPECT_THROW(f.matches(RowSpan(row(-1, u"a", 0))), jet::Error);
}

TEST(ExpressionTest, EvaluatesAgainstARow) {
  const auto e = jet::Expression::parse(u"Name & ':' & Price * 2", kColumns);
  EXPECT_EQ(e.evaluate(RowSpan(row(1, u"x", 12500))), Value::text(u"x:2.5"));
}

TEST(ExpressionTest, NeedsARowWhenItReadsAColumn) {
  const auto e = jet::Expression::parse(u"ID + 1", kColumns);
  EXPECT_EQ(qbtest::raisedError([&] { e.evaluate(); }).code(), jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(jet::Expression::parse(u"1 + 1").evaluate(), Value::integer(2));
}

TEST(ExpressionTest, NullComparisonIsNullOutsideFilters) {
  // "= Null" is an emptiness test only in the filter dialect.
  const std::vector<Value> r = {Value(), Value(), Value(), Value()};
  EXPECT_TRUE(jet::Expression::parse(u"Name = Null", kColumns).evaluate(RowSpan(r)).isNull());
  EXPECT_TRUE(Filter::parse(u"Name = Null", kColumns).matches(RowSpan(r)));
  EXPECT_THROW(jet::Expression::parse(u"Name = BLANK", kColumns), jet::Error);
}

TEST(SortTest, KeysNameColumnsByPosition) {
  const auto keys = jet::parseSort(u"[Price] DESC, name", kColumns);
  EXPECT_EQ(keys, (std::vector<jet::SortKey>{{2, true}, {1, false}}));
}

}  // namespace
