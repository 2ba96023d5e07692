// Exact decimal arithmetic: rounding when the 28 digits run out, the edges of
// the range, comparison across scales.
#include <gtest/gtest.h>

#include "value/decimal_math.h"
#include "value/value_error.h"

namespace {

using jet::Decimal;

Decimal dec(const char* text) { return *Decimal::parse(text); }

TEST(DecimalMathTest, RoundsHalfToEvenWhenDigitsRunOut) {
  // 28 decimals is the most; the 29th decides, ties to even.
  EXPECT_EQ(jet::divideDecimal(dec("2"), dec("3")).toString(), "0.6666666666666666666666666667");
  EXPECT_EQ(jet::multiplyDecimal(dec("0.00000000000005"), dec("0.000000000000001")).toString(),
            "0.0000000000000000000000000000");
  EXPECT_EQ(jet::roundDecimal(dec("2.5"), 0, jet::Rounding::HalfEven).toString(), "2");
  EXPECT_EQ(jet::roundDecimal(dec("3.5"), 0, jet::Rounding::HalfEven).toString(), "4");
  EXPECT_EQ(jet::roundDecimal(dec("-2.5"), 0, jet::Rounding::Floor).toString(), "-3");
}

TEST(DecimalMathTest, KeepsTwentyEightDigitsAndFailsBeyond) {
  const Decimal big = dec("9999999999999999999999999999");
  // 29 digits do not fit: the half is rounded away, to the even neighbour.
  EXPECT_EQ(jet::addDecimal(big, dec("-0.5")).toString(), "9999999999999999999999999998");
  EXPECT_THROW(jet::addDecimal(big, dec("1")), jet::ValueError);
  EXPECT_THROW(jet::multiplyDecimal(big, dec("10")), jet::ValueError);
  EXPECT_THROW(jet::divideDecimal(big, dec("0")), jet::ValueError);
  // A large product with many decimals loses decimals, not digits of the whole part.
  EXPECT_EQ(jet::multiplyDecimal(dec("123456789012345.6789"), dec("1000.0001")).toString(),
            "123456801358024580.13456789");
  EXPECT_EQ(jet::multiplyDecimal(dec("12345678901234567890.12345678"), dec("1.1")).toString(),
            "13580246791358024679.13580246");
}

TEST(DecimalMathTest, ComparesAcrossScalesAndSigns) {
  EXPECT_EQ(jet::compareDecimal(dec("1.50"), dec("1.5")), 0);
  EXPECT_LT(jet::compareDecimal(dec("-2"), dec("-1.99")), 0);
  EXPECT_EQ(jet::compareDecimal(dec("-0"), dec("0.000")), 0);
  EXPECT_EQ(jet::decimalToCurrency(dec("1.23455")).units, 12346);
  EXPECT_EQ(jet::decimalToCurrency(dec("1.23445")).units, 12344);
}

}  // namespace
