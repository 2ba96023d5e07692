// The one cast of the value layer: rounding at the halves for every target,
// the edges of each range, and the same answer whichever caller asks (an
// expression's CInt, a row write, a Locate value).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "jet/error.h"
#include "jet/text.h"
#include "table/column_value.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace {

using jet::CastFailure;
using jet::Value;
using jet::ValueKind;

jet::Decimal dec(const char* text) { return *jet::Decimal::parse(text); }

CastFailure failureOf(const Value& v, ValueKind target) { return jet::tryCast(v, target).failure; }

// The value a column of `type` stores for `v` (with a Numeric column's scale).
Value stored(const Value& v, jet::DataType type, std::uint8_t precision = 0, std::uint8_t scale = 0) {
  jet::ColumnDef c;
  c.name = u"F";
  c.type = type;
  c.precision = precision;
  c.scale = scale;
  return jet::convertToColumn(v, c, "field 'F'");
}

TEST(CastRounding, HalvesGoToTheEvenNeighbourForEveryWholeType) {
  const struct {
    double in;
    ValueKind kind;
    long long out;
  } cases[] = {
      {0.5, ValueKind::Byte, 0},          {1.5, ValueKind::Byte, 2},
      {254.5, ValueKind::Byte, 254},      {-0.5, ValueKind::Byte, 0},
      {2.5, ValueKind::Integer, 2},       {-2.5, ValueKind::Integer, -2},
      {-3.5, ValueKind::Integer, -4},     {-32768.5, ValueKind::Integer, -32768},
      {32766.5, ValueKind::Integer, 32766}, {2147483646.5, ValueKind::Long, 2147483646},
      {-2147483648.5, ValueKind::Long, -2147483648LL}, {3.5, ValueKind::Long, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.in) + " to " + jet::valueKindName(c.kind));
    const Value v = jet::castTo(Value::dbl(c.in), c.kind);
    const long long got = c.kind == ValueKind::Byte      ? v.asByte()
                          : c.kind == ValueKind::Integer ? v.asInteger()
                                                         : v.asLong();
    EXPECT_EQ(got, c.out);
  }
}

TEST(CastRounding, EveryExactSourceRoundsTheSameHalf) {
  // 2.5, 3.5 and -2.5 as Double, Single, Currency, Decimal and text: one rule,
  // for an expression's CInt and for a row write alike.
  const struct {
    double value;
    const char* text;
    std::int16_t even;
  } halves[] = {{2.5, "2.5", 2}, {3.5, "3.5", 4}, {-2.5, "-2.5", -2}};
  for (const auto& h : halves) {
    const Value sources[] = {Value::dbl(h.value), Value::single(static_cast<float>(h.value)),
                             Value::currency({static_cast<std::int64_t>(h.value * 10000)}),
                             Value::decimal(dec(h.text)), Value::text(jet::fromUtf8(h.text))};
    for (const Value& v : sources) {
      SCOPED_TRACE(jet::describeValue(v));
      EXPECT_EQ(jet::castTo(v, ValueKind::Integer), Value::integer(h.even));
      EXPECT_EQ(stored(v, jet::DataType::Integer), Value::integer(h.even));
    }
  }
}

TEST(CastRounding, CurrencyKeepsFourDecimalsAndRoundsTheFifthToEven) {
  EXPECT_EQ(jet::castTo(Value::text(u"0.00005"), ValueKind::Currency), Value::currency({0}));
  EXPECT_EQ(jet::castTo(Value::text(u"0.00015"), ValueKind::Currency), Value::currency({2}));
  EXPECT_EQ(jet::castTo(Value::text(u"-0.00025"), ValueKind::Currency), Value::currency({-2}));
  // A double goes through its 15 significant digits: 0.00015 is 0.00015, not the binary value below it.
  EXPECT_EQ(jet::castTo(Value::dbl(0.00015), ValueKind::Currency), Value::currency({2}));
  EXPECT_EQ(jet::castTo(Value::decimal(dec("1.23445")), ValueKind::Currency), Value::currency({12344}));
  EXPECT_EQ(stored(Value::dbl(1.23455), jet::DataType::Currency), Value::currency({12346}));
}

TEST(CastRounding, ADecimalColumnRoundsToItsScale) {
  EXPECT_EQ(stored(Value::text(u"2.345"), jet::DataType::Numeric, 10, 2), Value::decimal(dec("2.34")));
  EXPECT_EQ(stored(Value::text(u"2.355"), jet::DataType::Numeric, 10, 2), Value::decimal(dec("2.36")));
  EXPECT_EQ(stored(Value::dbl(-2.5), jet::DataType::Numeric, 10, 0), Value::decimal(dec("-2")));
  // Without a column the cast keeps every decimal.
  EXPECT_EQ(jet::castTo(Value::text(u"2.345"), ValueKind::Decimal), Value::decimal(dec("2.345")));
}

TEST(CastRanges, WholeTypesStopAtTheirEdges) {
  EXPECT_EQ(jet::castTo(Value::longInt(255), ValueKind::Byte), Value::byte(255));
  EXPECT_EQ(failureOf(Value::longInt(256), ValueKind::Byte), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(255.5), ValueKind::Byte), CastFailure::OutOfRange);  // rounds to 256
  EXPECT_EQ(failureOf(Value::integer(-1), ValueKind::Byte), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::boolean(true), ValueKind::Byte), CastFailure::OutOfRange);  // True is -1
  EXPECT_EQ(jet::castTo(Value::longInt(-32768), ValueKind::Integer), Value::integer(-32768));
  EXPECT_EQ(failureOf(Value::longInt(32768), ValueKind::Integer), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::longInt(-32769), ValueKind::Integer), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(32767.5), ValueKind::Integer), CastFailure::OutOfRange);
  EXPECT_EQ(jet::castTo(Value::text(u"-2147483648"), ValueKind::Long), Value::longInt(INT32_MIN));
  EXPECT_EQ(failureOf(Value::text(u"2147483648"), ValueKind::Long), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(2147483647.5), ValueKind::Long), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::text(u"1e400"), ValueKind::Long), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(std::nan("")), ValueKind::Long), CastFailure::NotFinite);
  EXPECT_EQ(failureOf(Value::text(u"twelve"), ValueKind::Long), CastFailure::NotANumber);
}

TEST(CastRanges, CurrencyAndDecimalStopAtTheirEdges) {
  EXPECT_EQ(jet::castTo(Value::text(u"922337203685477.5807"), ValueKind::Currency), Value::currency({INT64_MAX}));
  EXPECT_EQ(jet::castTo(Value::text(u"-922337203685477.5808"), ValueKind::Currency), Value::currency({INT64_MIN}));
  EXPECT_EQ(failureOf(Value::text(u"922337203685477.5808"), ValueKind::Currency), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::text(u"-922337203685477.5809"), ValueKind::Currency), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(1e15), ValueKind::Currency), CastFailure::OutOfRange);
  const std::u16string nines(28, u'9');
  EXPECT_EQ(jet::castTo(Value::text(nines), ValueKind::Decimal), Value::decimal(dec(jet::toUtf8(nines).c_str())));
  EXPECT_EQ(failureOf(Value::text(nines + u"9"), ValueKind::Decimal), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(1e28), ValueKind::Decimal), CastFailure::OutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(INFINITY), ValueKind::Decimal), CastFailure::NotFinite);
  // A Decimal column's precision is its own limit.
  EXPECT_THROW(stored(Value::text(u"1000"), jet::DataType::Numeric, 5, 2), jet::Error);
  EXPECT_EQ(stored(Value::text(u"999.994"), jet::DataType::Numeric, 5, 2), Value::decimal(dec("999.99")));
  EXPECT_THROW(stored(Value::text(u"999.995"), jet::DataType::Numeric, 5, 2), jet::Error);  // rounds to 1000.00
}

TEST(CastRanges, SinglesAndDates) {
  EXPECT_EQ(failureOf(Value::dbl(3.5e38), ValueKind::Single), CastFailure::OutOfRange);
  EXPECT_EQ(jet::castTo(Value::dbl(-3.4e38), ValueKind::Single), Value::single(-3.4e38f));
  EXPECT_EQ(jet::castTo(Value::dbl(-657434.0), ValueKind::DateTime), Value::dateTime({-657434.0}));  // 100-01-01
  EXPECT_EQ(failureOf(Value::dbl(-657435.0), ValueKind::DateTime), CastFailure::DateOutOfRange);
  EXPECT_EQ(failureOf(Value::dbl(2958466.0), ValueKind::DateTime), CastFailure::DateOutOfRange);  // 10000-01-01
  EXPECT_EQ(failureOf(Value::text(u"1/1/99999"), ValueKind::DateTime), CastFailure::DateOutOfRange);
  EXPECT_EQ(failureOf(Value::text(u"tomorrow"), ValueKind::DateTime), CastFailure::NotADate);
}

TEST(CastMessages, ExpressionsSayOverflowOrMismatch) {
  const auto messageOf = [](const Value& v, ValueKind kind) {
    try {
      jet::castTo(v, kind);
    } catch (const jet::ValueError& e) {
      return std::string(e.what());
    }
    return std::string("(converted)");
  };
  EXPECT_EQ(messageOf(Value::longInt(256), ValueKind::Byte), "Overflow");
  EXPECT_EQ(messageOf(Value::dbl(std::nan("")), ValueKind::Long), "Overflow");
  EXPECT_EQ(messageOf(Value::text(u"abc"), ValueKind::Long), "Data type mismatch: Text 'abc' is not a number");
  EXPECT_EQ(messageOf(Value::text(u"abc"), ValueKind::Boolean),
            "Data type mismatch: Text 'abc' is not True, False or a number");
  EXPECT_EQ(messageOf(Value(), ValueKind::Long), "Invalid use of Null");
  // Yes and No are words a person types, not values CBool reads.
  EXPECT_EQ(messageOf(Value::text(u"Yes"), ValueKind::Boolean),
            "Data type mismatch: Text 'Yes' is not True, False or a number");
  EXPECT_EQ(stored(Value::text(u"Yes"), jet::DataType::Boolean), Value::boolean(true));
}

TEST(CastPaths, ExactTextReadsWithoutRoundingWhereTheOthersRound) {
  // Locate looks for the value typed, so 42.5 is no Long; CLng and a write round it.
  EXPECT_FALSE(jet::textAs(u"42.5", ValueKind::Long, jet::DateOrder::MonthDayYear));
  EXPECT_EQ(jet::castTo(Value::text(u"42.5"), ValueKind::Long), Value::longInt(42));
  EXPECT_EQ(stored(Value::text(u"42.5"), jet::DataType::Long), Value::longInt(42));
  EXPECT_FALSE(jet::textAs(u"1.23456", ValueKind::Currency, jet::DateOrder::MonthDayYear));
  EXPECT_EQ(jet::castTo(Value::text(u"1.23456"), ValueKind::Currency), Value::currency({12346}));
  // A number is a day number for CDate, but not a date someone typed.
  EXPECT_FALSE(jet::textAs(u"2", ValueKind::DateTime, jet::DateOrder::MonthDayYear));
  EXPECT_EQ(jet::castTo(Value::text(u"2"), ValueKind::DateTime), Value::dateTime({2.0}));
}

}  // namespace
