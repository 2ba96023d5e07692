// Internals of the expression front end whose edges the scripts cannot reach
// well: tokens and positions of statement text, exact decimal arithmetic, Like
// matching on long input.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "value/decimal_math.h"
#include "sql/lexer.h"
#include "sql/like_pattern.h"
#include "sql/parser.h"
#include "value/value_error.h"

namespace {

using jet::Decimal;
using jet::sql::Keyword;
using jet::sql::TokenKind;

Decimal dec(const char* text) { return *Decimal::parse(text); }

TEST(SqlLexerTest, ReadsStatementTextWithPositions) {
  const auto tokens = jet::sql::tokenize(u"SELECT [Unit Price], t.x FROM t WHERE a <> 'it''s' -- ", "query");
  ASSERT_GE(tokens.size(), 14u);
  EXPECT_TRUE(tokens[0].is(Keyword::Select));
  EXPECT_TRUE(tokens[1].is(TokenKind::BracketName));
  EXPECT_EQ(tokens[1].text, u"Unit Price");
  EXPECT_EQ(tokens[1].position, 8u);
  EXPECT_TRUE(tokens[3].is(TokenKind::Word));
  EXPECT_TRUE(tokens[4].is(TokenKind::Dot));
  EXPECT_TRUE(tokens[6].is(Keyword::From));
  EXPECT_TRUE(tokens[8].is(Keyword::Where));
  EXPECT_TRUE(tokens[10].is(TokenKind::Ne));
  EXPECT_EQ(tokens[11].text, u"it's");
  EXPECT_EQ(tokens[11].position, 44u);
  // No comments in Access SQL: "--" is two minus signs.
  EXPECT_TRUE(tokens[12].is(TokenKind::Minus));
  EXPECT_TRUE(tokens.back().is(TokenKind::End));
  EXPECT_EQ(tokens.back().position, 55u);
}

TEST(SqlParserTest, ExpressionStopsAtAClauseKeyword) {
  // Statement parsers take over where an expression ends.
  jet::sql::Parser parser(u"a + 1 FROM t", "query");
  const auto e = parser.expression();
  EXPECT_EQ(jet::sql::toString(*e), "(a + 1)");
  EXPECT_TRUE(parser.peek().is(Keyword::From));
}

TEST(SqlParserTest, DeepNestingParses) {
  std::u16string text(200, u'(');
  text += u"1";
  text += std::u16string(200, u')');
  EXPECT_EQ(jet::sql::toString(*jet::sql::parseExpression(text, "expression")), "1");
}

TEST(DecimalMathTest, RoundsHalfToEvenWhenDigitsRunOut) {
  // 28 decimals is the most; the 29th decides, ties to even.
  EXPECT_EQ(jet::sql::divideDecimal(dec("2"), dec("3")).toString(), "0.6666666666666666666666666667");
  EXPECT_EQ(jet::sql::multiplyDecimal(dec("0.00000000000005"), dec("0.000000000000001")).toString(),
            "0.0000000000000000000000000000");
  EXPECT_EQ(jet::sql::roundDecimal(dec("2.5"), 0, jet::sql::Rounding::HalfEven).toString(), "2");
  EXPECT_EQ(jet::sql::roundDecimal(dec("3.5"), 0, jet::sql::Rounding::HalfEven).toString(), "4");
  EXPECT_EQ(jet::sql::roundDecimal(dec("-2.5"), 0, jet::sql::Rounding::Floor).toString(), "-3");
}

TEST(DecimalMathTest, KeepsTwentyEightDigitsAndFailsBeyond) {
  const Decimal big = dec("9999999999999999999999999999");
  // 29 digits do not fit: the half is rounded away, to the even neighbour.
  EXPECT_EQ(jet::sql::addDecimal(big, dec("-0.5")).toString(), "9999999999999999999999999998");
  EXPECT_THROW(jet::sql::addDecimal(big, dec("1")), jet::sql::ValueError);
  EXPECT_THROW(jet::sql::multiplyDecimal(big, dec("10")), jet::sql::ValueError);
  EXPECT_THROW(jet::sql::divideDecimal(big, dec("0")), jet::sql::ValueError);
  // A large product with many decimals loses decimals, not digits of the whole part.
  EXPECT_EQ(jet::sql::multiplyDecimal(dec("123456789012345.6789"), dec("1000.0001")).toString(),
            "123456801358024580.13456789");
  EXPECT_EQ(jet::sql::multiplyDecimal(dec("12345678901234567890.12345678"), dec("1.1")).toString(),
            "13580246791358024679.13580246");
}

TEST(DecimalMathTest, ComparesAcrossScalesAndSigns) {
  EXPECT_EQ(jet::sql::compareDecimal(dec("1.50"), dec("1.5")), 0);
  EXPECT_LT(jet::sql::compareDecimal(dec("-2"), dec("-1.99")), 0);
  EXPECT_EQ(jet::sql::compareDecimal(dec("-0"), dec("0.000")), 0);
  EXPECT_EQ(jet::sql::decimalToCurrency(dec("1.23455")).units, 12346);
  EXPECT_EQ(jet::sql::decimalToCurrency(dec("1.23445")).units, 12344);
}

TEST(LikePatternTest, ManyRunsOnLongTextDoNotBacktrackWithoutEnd) {
  // Each run backtracks only to its own start: a pattern of many runs over a
  // long text that almost matches ends (quadratic at worst, not exponential).
  const jet::sql::LikePattern p(u"*a*a*a*a*a*a*b");
  const std::u16string text(20000, u'a');
  EXPECT_FALSE(p.matches(text));
  EXPECT_TRUE(p.matches(text + u"b"));
}

TEST(LikePatternTest, EmptyAndNegatedSets) {
  EXPECT_TRUE(jet::sql::LikePattern(u"a[]b").matches(u"ab"));
  EXPECT_TRUE(jet::sql::LikePattern(u"a[!]b").matches(u"axb"));
  EXPECT_TRUE(jet::sql::LikePattern(u"[z-a]").matches(u"m"));
  EXPECT_THROW(jet::sql::LikePattern(u"[abc"), jet::sql::ValueError);
}

}  // namespace
