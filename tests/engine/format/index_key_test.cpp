// Index keys: the bytes of every type, ascending and descending, nulls, text in
// the General order, multi-column keys -- checked byte for byte against keys
// found in files written by Jet, and for ordering: key byte order must be value
// order.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <random>

#include "format/index_key.h"
#include "jet/error.h"
#include "support/hex_bytes.h"

namespace {

using jet::DataType;
using jet::KeyColumn;
using jet::KeyPart;
using jet::Value;
using qbtest::hexBytes;
using qbtest::toHex;

std::string keyHex(const Value& v, DataType type, bool ascending = true, std::uint8_t scale = 0) {
  return toHex(jet::encodeIndexKey({KeyPart{v, type, ascending, scale}}));
}

std::string textKey(std::u16string s, bool ascending = true) {
  return keyHex(Value::text(std::move(s)), DataType::Text, ascending);
}

std::string hex(std::string_view text) {
  return toHex(hexBytes(text));
}

jet::Guid guidOf(std::string_view text) {
  return *jet::Guid::parse(text);
}

jet::Decimal decimalOf(std::string_view text) {
  return *jet::Decimal::parse(text);
}

// ---------------------------------------------------------------------------
// Byte-exact keys

TEST(IndexKeyTest, IntegersFlipTheSignBitAndInvertWhenDescending) {
  EXPECT_EQ(keyHex(Value::longInt(2), DataType::Long), hex("7F 80 00 00 02"));
  EXPECT_EQ(keyHex(Value::longInt(0x0F000001), DataType::Long), hex("7F 8F 00 00 01"));
  EXPECT_EQ(keyHex(Value::longInt(INT32_MIN), DataType::Long), hex("7F 00 00 00 00"));
  EXPECT_EQ(keyHex(Value::longInt(19), DataType::Long, false), hex("80 7F FF FF EC"));
  EXPECT_EQ(keyHex(Value::longInt(-1), DataType::Long), hex("7F 7F FF FF FF"));
  EXPECT_EQ(keyHex(Value::integer(-2), DataType::Integer), hex("7F 7F FE"));
  EXPECT_EQ(keyHex(Value::integer(INT16_MAX), DataType::Integer, false), hex("80 00 00"));
  EXPECT_EQ(keyHex(Value::currency({-1}), DataType::Currency), hex("7F 7F FF FF FF FF FF FF FF"));
  EXPECT_EQ(keyHex(Value::currency({10000}), DataType::Currency), hex("7F 80 00 00 00 00 00 27 10"));
  EXPECT_EQ(keyHex(Value::byte(0x41), DataType::Byte), hex("7F 41"));
  EXPECT_EQ(keyHex(Value::byte(0x41), DataType::Byte, false), hex("80 BE"));
}

TEST(IndexKeyTest, NullsTakeOneFlagByteThatSortsFirstAscendingAndLastDescending) {
  EXPECT_EQ(keyHex(Value::null(), DataType::Long), "00");
  EXPECT_EQ(keyHex(Value::null(), DataType::Long, false), "FF");
  EXPECT_EQ(keyHex(Value::null(), DataType::Text), "00");
  EXPECT_EQ(keyHex(Value::null(), DataType::Binary, false), "FF");
  EXPECT_EQ(keyHex(Value::null(), DataType::Numeric), "00");
}

TEST(IndexKeyTest, BooleansAreNeverNullAndTrueSortsFirst) {
  EXPECT_EQ(keyHex(Value::boolean(true), DataType::Boolean), hex("7F 00"));
  EXPECT_EQ(keyHex(Value::boolean(false), DataType::Boolean), hex("7F FF"));
  EXPECT_EQ(keyHex(Value::boolean(true), DataType::Boolean, false), hex("80 FF"));
  EXPECT_EQ(keyHex(Value::boolean(false), DataType::Boolean, false), hex("80 00"));
  // A Yes/No field has no null: a missing value is No.
  EXPECT_EQ(keyHex(Value::null(), DataType::Boolean), hex("7F FF"));
  EXPECT_EQ(keyHex(Value::null(), DataType::Boolean, false), hex("80 00"));
}

TEST(IndexKeyTest, FloatingPointAndDatesDependOnTheSign) {
  EXPECT_EQ(keyHex(Value::dbl(1.0), DataType::Double), hex("7F BF F0 00 00 00 00 00 00"));
  EXPECT_EQ(keyHex(Value::dbl(-1.0), DataType::Double), hex("7F 40 0F FF FF FF FF FF FF"));
  EXPECT_EQ(keyHex(Value::dbl(1.0), DataType::Double, false), hex("80 40 0F FF FF FF FF FF FF"));
  EXPECT_EQ(keyHex(Value::dbl(-1.0), DataType::Double, false), hex("80 BF F0 00 00 00 00 00 00"));
  EXPECT_EQ(keyHex(Value::dbl(0.0), DataType::Double), hex("7F 80 00 00 00 00 00 00 00"));
  EXPECT_EQ(keyHex(Value::single(1.0f), DataType::Single), hex("7F BF 80 00 00"));
  EXPECT_EQ(keyHex(Value::single(-2.5f), DataType::Single), hex("7F 3F DF FF FF"));
  // 2000-01-01 is day 36526.
  EXPECT_EQ(keyHex(Value::dateTime({36526.0}), DataType::DateTime), hex("7F C0 E1 D5 C0 00 00 00 00"));
  EXPECT_EQ(keyHex(Value::dateTime({-1.5}), DataType::DateTime), hex("7F 40 07 FF FF FF FF FF FF"));
}

TEST(IndexKeyTest, BinaryIsWrittenInSegmentsOfEightBytes) {
  EXPECT_EQ(keyHex(Value::binary({0x61}), DataType::Binary), hex("7F 61 00 00 00 00 00 00 00 01"));
  EXPECT_EQ(keyHex(Value::binary({0x61, 0x62}), DataType::Binary), hex("7F 61 62 00 00 00 00 00 00 02"));
  EXPECT_EQ(keyHex(Value::binary({}), DataType::Binary), "7F");
  EXPECT_EQ(keyHex(Value::binary({1, 2, 3, 4, 5, 6, 7, 8}), DataType::Binary),
            hex("7F 01 02 03 04 05 06 07 08 08"));
  EXPECT_EQ(keyHex(Value::binary({1, 2, 3, 4, 5, 6, 7, 8, 9}), DataType::Binary),
            hex("7F 01 02 03 04 05 06 07 08 09 09 00 00 00 00 00 00 00 01"));
  // Descending inverts data and the last length, but not the separators.
  EXPECT_EQ(keyHex(Value::binary({1, 2, 3, 4, 5, 6, 7, 8, 9}), DataType::Binary, false),
            hex("80 FE FD FC FB FA F9 F8 F7 09 F6 FF FF FF FF FF FF FF FE"));
  EXPECT_EQ(keyHex(Value::binary({0x61}), DataType::Binary, false), hex("80 9E FF FF FF FF FF FF FF FE"));
}

TEST(IndexKeyTest, GuidsAreBinaryInTheirTextOrder) {
  const auto g = guidOf("{01020304-0506-0708-090A-0B0C0D0E0F10}");
  EXPECT_EQ(keyHex(Value::guid(g), DataType::Guid),
            hex("7F 01 02 03 04 05 06 07 08 09 09 0A 0B 0C 0D 0E 0F 10 08"));
  EXPECT_EQ(keyHex(Value::guid(g), DataType::Guid, false),
            hex("80 FE FD FC FB FA F9 F8 F7 09 F6 F5 F4 F3 F2 F1 F0 EF F7"));
}

TEST(IndexKeyTest, NumericFollowsJet4OrderIncludingItsDescendingRule) {
  const std::string zeros15 = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
  const std::string ffs15 = " FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
  EXPECT_EQ(keyHex(Value::decimal(decimalOf("1.5")), DataType::Numeric, true, 1),
            hex("7F FF" + zeros15 + " 0F"));
  EXPECT_EQ(keyHex(Value::decimal(decimalOf("-1.5")), DataType::Numeric, true, 1),
            hex("7F 00" + ffs15 + " F0"));
  EXPECT_EQ(keyHex(Value::decimal(decimalOf("1.5")), DataType::Numeric, false, 1),
            hex("80 FF" + ffs15 + " F0"));
  EXPECT_EQ(keyHex(Value::decimal(decimalOf("-1.5")), DataType::Numeric, false, 1),
            hex("80 00" + zeros15 + " 0F"));
  // Values are brought to the column's scale: 1.5 at scale 3 is 1500.
  EXPECT_EQ(keyHex(Value::decimal(decimalOf("1.5")), DataType::Numeric, true, 3),
            hex("7F FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05 DC"));
  EXPECT_EQ(keyHex(Value::decimal(decimalOf("1.500")), DataType::Numeric, true, 1),
            hex("7F FF" + zeros15 + " 0F"));
  // Zero is not negative, whatever its sign flag says.
  jet::Decimal negativeZero{0, 2, true};
  EXPECT_EQ(keyHex(Value::decimal(negativeZero), DataType::Numeric, true, 2), hex("7F FF" + zeros15 + " 00"));

  // In a descending index negative values still come before positive ones.
  const auto minusOne = jet::encodeIndexKey({{Value::decimal(decimalOf("-1")), DataType::Numeric, false, 0}});
  const auto minusTwo = jet::encodeIndexKey({{Value::decimal(decimalOf("-2")), DataType::Numeric, false, 0}});
  const auto plusOne = jet::encodeIndexKey({{Value::decimal(decimalOf("1")), DataType::Numeric, false, 0}});
  const auto plusTwo = jet::encodeIndexKey({{Value::decimal(decimalOf("2")), DataType::Numeric, false, 0}});
  EXPECT_LT(minusOne, minusTwo);
  EXPECT_LT(minusTwo, plusTwo);
  EXPECT_LT(plusTwo, plusOne);
}

TEST(IndexKeyTest, NumericRejectsValuesTheColumnCannotHold) {
  EXPECT_THROW(keyHex(Value::decimal(decimalOf("1.25")), DataType::Numeric, true, 1), jet::Error);
  jet::Decimal huge{~jet::UInt128{0} / 5, 0, false};
  EXPECT_THROW(keyHex(Value::decimal(huge), DataType::Numeric, true, 1), jet::Error);
}

TEST(IndexKeyTest, TextKeysMatchTheGeneralOrderExamples) {
  EXPECT_EQ(textKey(u"only ascii chars"), hex("7F 64 62 5E 76 07 4A 6B 4D 59 59 07 4D 57 4A 69 6B 01 00"));
  EXPECT_EQ(textKey(u"\u00e4\u00e4kk\u00f6si\u00e4"),
            hex("7F 4A 4A 5C 5C 64 6B 59 4A 01 13 13 02 02 13 02 02 13 00"));
  EXPECT_EQ(textKey(u"\u00fcmlaut"), hex("7F 6F 60 5E 4A 6F 6D 01 13 00"));
  EXPECT_EQ(textKey(u"\u041c\u0438\u0440"), hex("7F 79 43 79 3B 79 48 01 00"));
  EXPECT_EQ(
      textKey(u"\u6f22\u5b57\u4eee\u540d\u4ea4\u3058\u308a\u6587"),
      hex("7F C0 B6 AC AC A0 0D A5 47 9F BE 7F 13 7F 43 B6 F6 01 02 02 02 02 02 03 01 01 FF 02 80 FF 80 00"));
  EXPECT_EQ(textKey(u"abc"), hex("7F 4A 4C 4D 01 00"));
  EXPECT_EQ(textKey(u"ABC"), hex("7F 4A 4C 4D 01 00"));
  EXPECT_EQ(textKey(u"Abc "), hex("7F 4A 4C 4D 01 00"));
  EXPECT_EQ(textKey(u"abc", false), hex("80 B5 B3 B2 FE FF 00"));
  EXPECT_EQ(textKey(u"Ab\u00e9"), hex("7F 4A 4C 51 01 02 02 0E 00"));
  EXPECT_EQ(textKey(u"a-b"), hex("7F 4A 4C 01 01 01 01 80 0B 06 82 00"));
  EXPECT_EQ(textKey(u"1"), hex("7F 38 01 00"));
}

TEST(IndexKeyTest, TextKeysAtTheEdges) {
  // Empty, all spaces and only ignored characters give the empty text's key.
  EXPECT_EQ(textKey(u""), hex("7F 01 00"));
  EXPECT_EQ(textKey(u"   "), hex("7F 01 00"));
  EXPECT_EQ(textKey(u""), textKey(std::u16string(1, u'\0')));
  EXPECT_EQ(textKey(u"", false), hex("80 FE FF 00"));
  // Only trailing spaces go; leading and inner ones count.
  EXPECT_EQ(textKey(u" a"), hex("7F 07 4A 01 00"));
  EXPECT_NE(textKey(u"a b"), textKey(u"ab"));
  // Unprintable records name the character's place: before any extra bytes
  // its position, after them the length the extra bytes have by then.
  EXPECT_EQ(textKey(u"'\u00e9-"), hex("7F 51 01 0E 01 01 01 80 07 06 80 80 0B 06 82 00"));
  EXPECT_EQ(textKey(u"\u01c4-"), hex("7F 4F 78 01 02 14 01 01 01 80 0F 06 82 00"));
  // A modifier (U+0300, combining grave) with nothing before it starts the
  // extra bytes itself and is not counted in later unprintable places...
  EXPECT_EQ(textKey(u"\u0300a-"), hex("7F 4A 01 0D 01 01 01 80 0B 06 82 00"));
  // ...and after a plain letter it is added to that letter's filler byte.
  EXPECT_EQ(textKey(u"a\u0300"), hex("7F 4A 01 0F 00"));
  // Surrogate pairs (U+1F600) get computed inline codes and extra byte 3F.
  EXPECT_EQ(textKey(u"\U0001F600"), hex("7F B0 3F B6 FC 01 3F 3F 00"));
}

TEST(IndexKeyTest, TextKeysUseOnlyTheFirst255Characters) {
  const std::u16string base(255, u'x');
  EXPECT_EQ(textKey(base), textKey(base + u"y"));
  EXPECT_EQ(textKey(base), textKey(base + u"\u00e9\u00e9"));
  EXPECT_NE(textKey(base.substr(1) + u"y"), textKey(base.substr(1) + u"z"));
  // The cut comes before trailing spaces are removed.
  EXPECT_EQ(textKey(std::u16string(254, u'x') + u" z"), textKey(std::u16string(254, u'x')));
}

TEST(IndexKeyTest, MultiColumnKeysConcatenateItemsInIndexOrder) {
  // The catalog's (ParentId, Name) index.
  const auto key = jet::encodeIndexKey({{Value::longInt(0x0F000000), DataType::Long, true, 0},
                                        {Value::text(u"DataAccessPages"), DataType::Text, true, 0}});
  EXPECT_EQ(toHex(key), hex("7F 8F 00 00 00 | 7F 4F 4A 6D 4A 4A 4D 4D 51 6B 6B 66 4A 55 51 6B 01 00"));

  const auto mixed = jet::encodeIndexKey({{Value::null(), DataType::Long, true, 0},
                                          {Value::text(u"a"), DataType::Text, false, 0},
                                          {Value::byte(1), DataType::Byte, true, 0}});
  EXPECT_EQ(toHex(mixed), hex("00 | 80 B5 FE FF 00 | 7F 01"));
}

TEST(IndexKeyTest, EncoderTakesValuesFromTheirRowPositions) {
  jet::IndexKeyEncoder encoder({KeyColumn{.type = DataType::Text, .ascending = true, .rowPosition = 2},
                                KeyColumn{.type = DataType::Long, .ascending = false, .rowPosition = 0}});
  std::vector<Value> row{Value::longInt(19), Value::binary({1}), Value::text(u"1")};
  EXPECT_EQ(toHex(encoder.key(row)), hex("7F 38 01 00 80 7F FF FF EC"));

  // appendKey adds to what the buffer holds.
  std::vector<std::uint8_t> buffer{0xAA};
  encoder.appendKey(row, buffer);
  EXPECT_EQ(buffer.size(), 10u);

  EXPECT_FALSE(encoder.allNull(row));
  std::vector<Value> nulls{Value::null(), Value::binary({1}), Value::null()};
  EXPECT_TRUE(encoder.allNull(nulls));
  jet::IndexKeyEncoder withBoolean({KeyColumn{.type = DataType::Boolean}});
  EXPECT_FALSE(withBoolean.allNull(nulls));

  std::vector<Value> shortRow{Value::longInt(1)};
  EXPECT_THROW(encoder.key(shortRow), jet::Error);
}

TEST(IndexKeyTest, RejectsWhatCannotBeIndexed) {
  auto codeOf = [](auto&& f) {
    try {
      f();
    } catch (const jet::Error& e) {
      return e.code();
    }
    ADD_FAILURE() << "no error";
    return jet::ErrorCode::NotFound;
  };
  EXPECT_EQ(codeOf([] { keyHex(Value::text(u"1"), DataType::Long); }), jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([] { keyHex(Value::integer(1), DataType::Long); }), jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([] { keyHex(Value::binary({1}), DataType::Ole); }), jet::ErrorCode::Unsupported);
  EXPECT_EQ(codeOf([] { jet::IndexKeyEncoder({KeyColumn{.type = DataType::Ole}}); }),
            jet::ErrorCode::Unsupported);
  EXPECT_EQ(codeOf([] { jet::IndexKeyEncoder(std::vector<KeyColumn>{}); }), jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([] { jet::IndexKeyEncoder(std::vector<KeyColumn>(11)); }),
            jet::ErrorCode::InvalidArgument);
  EXPECT_EQ(codeOf([] { jet::IndexKeyEncoder({KeyColumn{.type = DataType::Text, .sortOrder = 0x0407}}); }),
            jet::ErrorCode::Unsupported);
  EXPECT_EQ(codeOf([] { jet::IndexKeyEncoder({KeyColumn{.type = DataType::Memo, .sortOrderVersion = 1}}); }),
            jet::ErrorCode::Unsupported);
  EXPECT_NO_THROW(jet::IndexKeyEncoder(std::vector<KeyColumn>(10)));
  EXPECT_NO_THROW(jet::IndexKeyEncoder({KeyColumn{.type = DataType::Long, .sortOrder = 0x0407}}));
}

// ---------------------------------------------------------------------------
// Ordering: for random values, the order of the keys' bytes is the order of
// the values (reversed when descending), with nulls first (last).

using Less = std::function<bool(const Value&, const Value&)>;

void expectKeyOrder(std::vector<Value> values, DataType type, const Less& less, bool descendingToo = true) {
  values.push_back(Value::null());
  for (bool asc : {true, false}) {
    if (!asc && !descendingToo) break;
    std::vector<std::pair<std::vector<std::uint8_t>, std::size_t>> keys;
    for (std::size_t i = 0; i < values.size(); ++i) {
      keys.emplace_back(jet::encodeIndexKey({{values[i], type, asc, 2}}), i);
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 1; i < keys.size(); ++i) {
      const Value& a = values[keys[i - 1].second];
      const Value& b = values[keys[i].second];
      SCOPED_TRACE(testing::Message() << jet::dataTypeName(type) << (asc ? " asc" : " desc") << " at " << i);
      if (a.isNull() || b.isNull()) {
        EXPECT_TRUE(asc ? a.isNull() : b.isNull());
        continue;
      }
      const Value& first = asc ? a : b;
      const Value& second = asc ? b : a;
      EXPECT_FALSE(less(second, first));
      EXPECT_EQ(keys[i - 1].first == keys[i].first, !less(first, second));
    }
  }
}

template <typename Make>
std::vector<Value> randomValues(Make make, int count = 300) {
  std::mt19937_64 rng(12345);
  std::vector<Value> out;
  for (int i = 0; i < count; ++i) out.push_back(make(rng));
  return out;
}

template <typename T>
Less byField(T (Value::*get)() const) {
  return [get](const Value& a, const Value& b) { return (a.*get)() < (b.*get)(); };
}

TEST(IndexKeyOrderTest, NumbersAndDates) {
  using R = std::mt19937_64;
  expectKeyOrder(randomValues([](R& r) { return Value::longInt(static_cast<std::int32_t>(r())); }),
                 DataType::Long, byField(&Value::asLong));
  expectKeyOrder(randomValues([](R& r) { return Value::integer(static_cast<std::int16_t>(r())); }),
                 DataType::Integer, byField(&Value::asInteger));
  expectKeyOrder(randomValues([](R& r) { return Value::byte(static_cast<std::uint8_t>(r())); }),
                 DataType::Byte, byField(&Value::asByte));
  expectKeyOrder(randomValues([](R& r) { return Value::currency({static_cast<std::int64_t>(r())}); }),
                 DataType::Currency, byField(&Value::asCurrency));
  // Random bit patterns cover every exponent and infinities; NaN has no order
  // and -0.0 has its own key below +0.0, so both are left out.
  expectKeyOrder(randomValues([](R& r) {
                   double d;
                   do d = std::bit_cast<double>(r());
                   while (std::isnan(d) || d == 0.0);
                   return Value::dbl(d);
                 }),
                 DataType::Double, byField(&Value::asDouble));
  expectKeyOrder(randomValues([](R& r) {
                   float f;
                   do f = std::bit_cast<float>(static_cast<std::uint32_t>(r()));
                   while (std::isnan(f) || f == 0.0f);
                   return Value::single(f);
                 }),
                 DataType::Single, byField(&Value::asSingle));
  expectKeyOrder(
      randomValues([](R& r) { return Value::dateTime({static_cast<std::int32_t>(r()) / 1000.0}); }),
      DataType::DateTime, byField(&Value::asDateTime));
  // Numeric, ascending only: descending keeps negatives first (see above).
  auto decimalValue = [](const Value& v) {
    const jet::Decimal& d = v.asDecimal();
    const long double x = static_cast<long double>(d.magnitude) / std::pow(10.0L, d.scale);
    return d.negative ? -x : x;
  };
  expectKeyOrder(
      randomValues([](R& r) {
        jet::Decimal d{static_cast<jet::UInt128>(r() % 1000000) * (r() % 2 ? 1 : r()),
                       static_cast<std::uint8_t>(r() % 3), r() % 2 == 0};
        return Value::decimal(d.normalise());
      }),
      DataType::Numeric, [&](const Value& a, const Value& b) { return decimalValue(a) < decimalValue(b); },
      false);
}

TEST(IndexKeyOrderTest, BinaryAndGuids) {
  using R = std::mt19937_64;
  // Few distinct byte values so that prefixes and ties are common. (An empty
  // value's key is the flag byte alone, which sorts it first in both
  // directions; it is left out.)
  expectKeyOrder(randomValues([](R& r) {
                   jet::Bytes b(1 + r() % 20);
                   for (auto& x : b) x = static_cast<std::uint8_t>(r() % 3 == 0 ? 0 : (r() % 2 ? 0xFF : r()));
                   return Value::binary(b);
                 }),
                 DataType::Binary, byField(&Value::asBinary));
  // GUIDs sort like their text form.
  expectKeyOrder(randomValues([](R& r) {
                   jet::Guid g;
                   for (auto& x : g.bytes) x = static_cast<std::uint8_t>(r() % 4);
                   return Value::guid(g);
                 }),
                 DataType::Guid, [](const Value& a, const Value& b) {
                   return a.asGuid().toString() < b.asGuid().toString();
                 });
}

TEST(IndexKeyOrderTest, TextOfSpacesDigitsAndLettersSortsCaseInsensitively) {
  // Over this alphabet the General order is plain alphabetical order with
  // letters folded to one case, space before digits before letters, and
  // trailing spaces dropped.
  const std::u16string alphabet = u" 0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  auto fold = [](std::u16string s) {
    while (!s.empty() && s.back() == u' ') s.pop_back();
    for (auto& c : s) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return s;
  };
  expectKeyOrder(randomValues(
                     [&](std::mt19937_64& r) {
                       std::u16string s(r() % 6, u' ');
                       for (auto& c : s) c = alphabet[r() % (r() % 2 ? 14 : alphabet.size())];
                       return Value::text(s);
                     },
                     800),
                 DataType::Text,
                 [&](const Value& a, const Value& b) { return fold(a.asText()) < fold(b.asText()); });
}

TEST(IndexKeyOrderTest, MultiColumnKeysOrderColumnByColumnEachInItsOwnDirection) {
  std::mt19937 rng(99);
  struct Row {
    std::int32_t a;
    std::u16string b;
    bool aNull;
  };
  std::vector<Row> rows;
  for (int i = 0; i < 400; ++i) {
    rows.push_back({static_cast<std::int32_t>(rng() % 5) - 2, std::u16string(rng() % 3, u'a' + rng() % 3),
                    rng() % 7 == 0});
  }
  std::vector<std::pair<std::vector<std::uint8_t>, std::size_t>> keys;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    keys.emplace_back(jet::encodeIndexKey({{rows[i].aNull ? Value::null() : Value::longInt(rows[i].a),
                                            DataType::Long, false, 0},
                                           {Value::text(rows[i].b), DataType::Text, true, 0}}),
                      i);
  }
  std::sort(keys.begin(), keys.end());
  // First column descending with nulls last, second ascending.
  auto rank = [&](const Row& r) { return std::make_tuple(r.aNull, r.aNull ? 0 : -r.a, r.b); };
  for (std::size_t i = 1; i < keys.size(); ++i) {
    EXPECT_LE(rank(rows[keys[i - 1].second]), rank(rows[keys[i].second])) << i;
  }
}

}  // namespace
