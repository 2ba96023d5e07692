// Long values on crafted pages: inline, single-row and chained storage, and
// chains that loop, leave the file or end early.
#include <gtest/gtest.h>

#include "format/long_value.h"
#include "jet/error.h"
#include "support/page_images.h"

namespace {

using qbtest::Bytes;
using qbtest::concat;

constexpr std::uint32_t kLval = 0x4C41564C;

Bytes reference(std::uint32_t lengthAndKind, std::uint32_t page, std::uint8_t slot,
                const Bytes& inlineData = {}) {
  return concat(
      {qbtest::u32Bytes(lengthAndKind), qbtest::rowPointer(page, slot), qbtest::u32Bytes(0), inlineData});
}

Bytes filled(std::size_t n, char c) {
  return Bytes(n, static_cast<std::uint8_t>(c));
}

std::string readAll(jet::Pager& pager, const Bytes& field) {
  jet::LongValueReader reader(pager, jet::kJet4Format);
  Bytes out;
  reader.read(field, out);
  return std::string(out.begin(), out.end());
}

std::string failure(jet::Pager& pager, const Bytes& field) {
  try {
    readAll(pager, field);
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
    return e.what();
  }
  return "no error";
}

TEST(LongValue, ReadsInlineValues) {
  auto pager = qbtest::pagerOver({Bytes{}});
  EXPECT_EQ(readAll(*pager, reference(0x80000000 | 5, 0, 0, Bytes{'h', 'e', 'l', 'l', 'o'})), "hello");
  EXPECT_EQ(readAll(*pager, reference(0x80000000, 0, 0)), "");
  // The row gives fewer inline bytes than the reference claims.
  EXPECT_NE(failure(*pager, reference(0x80000000 | 6, 0, 0, Bytes{'h', 'i'})).find("inline"),
            std::string::npos);
  EXPECT_NE(failure(*pager, Bytes{1, 2, 3}).find("reference"), std::string::npos);
  EXPECT_NE(failure(*pager, reference(0xC0000000 | 1, 1, 0)).find("kind"), std::string::npos);
}

TEST(LongValue, ReadsSingleRowValuesUpToTheirLength) {
  auto pager = qbtest::pagerOver({Bytes{}, qbtest::dataPage(kLval, {filled(3, 'x'), filled(10, 'y')})});
  EXPECT_EQ(readAll(*pager, reference(0x40000000 | 7, 1, 1)), "yyyyyyy");
  EXPECT_NE(failure(*pager, reference(0x40000000 | 11, 1, 1)).find("only 10"), std::string::npos);
  EXPECT_NE(failure(*pager, reference(0x40000000 | 1, 1, 5)).find("slot 5"), std::string::npos);
}

TEST(LongValue, FollowsChainsAcrossPages) {
  // 9 bytes over three links on two pages: "abc" (page 2 slot 1) -> "defg" (page 1 slot 0) -> "hij" (page 2
  // slot 0).
  auto pager = qbtest::pagerOver(
      {Bytes{}, qbtest::dataPage(kLval, {concat({qbtest::rowPointer(2, 0), Bytes{'d', 'e', 'f', 'g'}})}),
       qbtest::dataPage(kLval, {concat({qbtest::u32Bytes(0), Bytes{'h', 'i', 'j', 'z', 'z'}}),
                                concat({qbtest::rowPointer(1, 0), Bytes{'a', 'b', 'c'}})})});
  EXPECT_EQ(readAll(*pager, reference(10, 2, 1)), "abcdefghij");
  // The stated length ends the value, even inside a link.
  EXPECT_EQ(readAll(*pager, reference(5, 2, 1)), "abcde");
  EXPECT_NE(failure(*pager, reference(13, 2, 1)).find("ends after 12 of its 13 bytes"), std::string::npos);
}

TEST(LongValue, ChainsThatLoopOrLeaveTheFileAreErrors) {
  // Page 1 slot 0 -> page 1 slot 1 -> page 1 slot 0 ...
  auto pager =
      qbtest::pagerOver({Bytes{}, qbtest::dataPage(kLval, {concat({qbtest::rowPointer(1, 1), Bytes{'a'}}),
                                                           concat({qbtest::rowPointer(1, 0), Bytes{'b'}})})});
  EXPECT_NE(failure(*pager, reference(1000, 1, 0)).find("loops"), std::string::npos);
  // A loop of links that carry no data at all.
  auto empty = qbtest::pagerOver({Bytes{}, qbtest::dataPage(kLval, {qbtest::rowPointer(1, 0)})});
  EXPECT_NE(failure(*empty, reference(1, 1, 0)).find("loops"), std::string::npos);

  auto leaving = qbtest::pagerOver(
      {Bytes{}, qbtest::dataPage(kLval, {concat({qbtest::rowPointer(99, 0), Bytes{'a'}})})});
  EXPECT_NE(failure(*leaving, reference(100, 1, 0)).find("beyond the end of the file"), std::string::npos);
  EXPECT_NE(failure(*leaving, reference(0x40000000 | 1, 0xFFFFFF, 0)).find("beyond the end"),
            std::string::npos);

  auto notData = qbtest::pagerOver({Bytes{}, Bytes{0x02, 0x01}});  // a definition page, not a data page
  EXPECT_NE(failure(*notData, reference(5, 1, 0)).find("not a data page"), std::string::npos);
}

TEST(LongValue, RefusesLengthsLargerThanTheFile) {
  auto pager = qbtest::pagerOver({Bytes{}, qbtest::dataPage(kLval, {filled(4, 'a')})});
  // 0x3FFFFFFF bytes could never be stored in an 8 KiB file; nothing is allocated for them.
  EXPECT_NE(failure(*pager, reference(0x3FFFFFFF, 1, 0)).find("more than the whole file"), std::string::npos);
  EXPECT_NE(failure(*pager, reference(0x40000000 | 0x3FFFFFFF, 1, 0)).find("more than the whole file"),
            std::string::npos);
}

}  // namespace
