// Jet's text order as a service for other layers: case-insensitive, accents
// after their base letters, punctuation that only breaks ties, trailing spaces
// and everything after 255 characters ignored; and sort keys in the same order.
#include <gtest/gtest.h>

#include "jet/collation.h"

namespace {

using jet::compareTextAsIndexed;

TEST(CollationTest, IgnoresCaseAndTrailingSpaces) {
  EXPECT_EQ(compareTextAsIndexed(u"abc", u"ABC"), 0);
  EXPECT_EQ(compareTextAsIndexed(u"Abc", u"aBC   "), 0);
  EXPECT_EQ(compareTextAsIndexed(u"", u"   "), 0);
  EXPECT_LT(compareTextAsIndexed(u"", u"a"), 0);
  EXPECT_LT(compareTextAsIndexed(u" b", u"a"), 0);  // leading spaces count
  EXPECT_LT(compareTextAsIndexed(u"a b", u"ab"), 0);
  // Non-ASCII letters of either case share their letter's place.
  EXPECT_EQ(compareTextAsIndexed(u"\u00c9t\u00e9", u"\u00e9T\u00c9"), 0);
  EXPECT_EQ(compareTextAsIndexed(u"\u041c\u0418\u0420", u"\u043c\u0438\u0440"), 0);
}

TEST(CollationTest, PutsAccentedLettersAfterTheirBaseLetter) {
  EXPECT_LT(compareTextAsIndexed(u"a", u"\u00e4"), 0);
  EXPECT_LT(compareTextAsIndexed(u"\u00e4", u"b"), 0);
  // The base letters decide first, accents only between equal base letters.
  EXPECT_LT(compareTextAsIndexed(u"aa", u"\u00e4a"), 0);
  EXPECT_LT(compareTextAsIndexed(u"\u00e4a", u"ab"), 0);
  EXPECT_LT(compareTextAsIndexed(u"ab", u"\u00e4b"), 0);
  EXPECT_LT(compareTextAsIndexed(u"resume", u"r\u00e9sum\u00e9"), 0);
  EXPECT_LT(compareTextAsIndexed(u"r\u00e9sum\u00e9", u"resumes"), 0);
  EXPECT_LT(compareTextAsIndexed(u"cote", u"cot\u00e9"), 0);
  EXPECT_LT(compareTextAsIndexed(u"cot\u00e9", u"c\u00f4te"), 0);  // the first accent decides
}

TEST(CollationTest, HyphenAndApostropheOnlyBreakTies) {
  EXPECT_LT(compareTextAsIndexed(u"coop", u"co-op"), 0);
  EXPECT_LT(compareTextAsIndexed(u"co-op", u"cop"), 0);
  EXPECT_LT(compareTextAsIndexed(u"co-op", u"coo-p"), 0);
  EXPECT_LT(compareTextAsIndexed(u"its", u"it's"), 0);
  EXPECT_LT(compareTextAsIndexed(u"it's", u"itself"), 0);
}

TEST(CollationTest, OrdersClassesOfCharacters) {
  // Space, punctuation, digits, letters.
  const std::vector<std::u16string> ordered{u" ", u"!", u"#", u"(", u"0", u"1", u"9", u"a", u"z"};
  for (std::size_t i = 1; i < ordered.size(); ++i) {
    EXPECT_LT(compareTextAsIndexed(u"x" + ordered[i - 1] + u"x", u"x" + ordered[i] + u"x"), 0) << i;
  }
  // Digits compare as characters, not numbers.
  EXPECT_LT(compareTextAsIndexed(u"10", u"9"), 0);
}

TEST(CollationTest, ComparesOnlyTheFirst255Characters) {
  const std::u16string base(255, u'q');
  EXPECT_EQ(compareTextAsIndexed(base + u"a", base + u"b"), 0);
  EXPECT_LT(compareTextAsIndexed(base.substr(1) + u"a", base.substr(1) + u"b"), 0);
}

TEST(CollationTest, SortKeysAreTheAscendingIndexKeysWithoutTheFlag) {
  const std::string key = jet::textSortKey(u"Ab\u00e9");
  EXPECT_EQ(key, std::string("\x4A\x4C\x51\x01\x02\x02\x0E\x00", 8));
  // appendTextSortKey builds the same bytes after what a buffer holds.
  std::string buffer = "x";
  jet::appendTextSortKey(u"Ab\u00e9", buffer);
  EXPECT_EQ(buffer, "x" + key);
  // Keys compare as compareTextAsIndexed does.
  EXPECT_LT(jet::textSortKey(u"co-op"), jet::textSortKey(u"cop"));
  EXPECT_EQ(jet::textSortKey(u"ABC  "), jet::textSortKey(u"abc"));
}

}  // namespace
