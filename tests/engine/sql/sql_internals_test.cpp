// Internals of the expression front end whose edges the scripts cannot reach
// well: tokens and positions of statement text, Like matching on long input.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "sql/lexer.h"
#include "sql/like_pattern.h"
#include "sql/parser.h"
#include "value/value_error.h"

namespace {

using jet::sql::Keyword;
using jet::sql::TokenKind;

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
  EXPECT_THROW(jet::sql::LikePattern(u"[abc"), jet::ValueError);
}

}  // namespace
