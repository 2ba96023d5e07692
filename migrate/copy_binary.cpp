// The binary COPY encoder; see copy_binary.h.
#include "migrate/copy_binary.h"

#include <bit>

#include "migrate/value_text.h"

namespace qbmigrate {

namespace {

using jet::DataType;
using jet::ValueKind;

void put16(std::string& out, std::uint16_t v) {
  const char b[2] = {static_cast<char>(v >> 8), static_cast<char>(v)};
  out.append(b, 2);
}

void put32(std::string& out, std::uint32_t v) {
  const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
  out.append(b, 4);
}

void put64(std::string& out, std::uint64_t v) {
  put32(out, static_cast<std::uint32_t>(v >> 32));
  put32(out, static_cast<std::uint32_t>(v));
}

// A field whose length is known up front.
void field32(std::string& out, std::uint32_t v) {
  put32(out, 4);
  put32(out, v);
}

// Days from 1970-01-01 to a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The same calendar fields as the text forms (Jet's day number rounded to
// the millisecond), counted in microseconds from PostgreSQL's epoch.
std::int64_t timestampMicros(jet::DateTime value) {
  const jet::CivilDateTime c = jet::toCivil(value);
  if (c.year < 1 || c.year > 9999) {
    throw ValueError("the date " + jet::toIsoString(value) + " is outside the years 1 to 9999");
  }
  static const std::int64_t kEpoch = daysFromCivil(2000, 1, 1);
  const std::int64_t days = daysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) - kEpoch;
  const std::int64_t seconds = ((days * 24 + c.hour) * 60 + c.minute) * 60 + c.second;
  return seconds * 1000000 + std::int64_t{c.millisecond} * 1000;
}

// numeric's binary form: ndigits, weight (of the first base-10000 digit),
// sign, display scale, then the digits.
void appendNumeric(std::string& out, jet::UInt128 magnitude, unsigned scale, bool negative) {
  char digits[48];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  // digits[] holds the decimal digits from the last one; digit i has the
  // place value 10^(i - scale). Group them in fours around the point.
  const int lowest = -static_cast<int>(scale);  // place of digits[0]
  const int highest = lowest + n - 1;
  auto digitAt = [&](int place) { return place < lowest || place > highest ? 0 : digits[place - lowest] - '0'; };
  auto groupOf = [](int place) { return place >= 0 ? place / 4 : -((-place + 3) / 4); };
  std::uint16_t groups[16];
  int count = 0;
  const int top = groupOf(highest);
  const int bottom = groupOf(lowest);
  for (int g = top; g >= bottom; --g) {
    const int v = digitAt(g * 4 + 3) * 1000 + digitAt(g * 4 + 2) * 100 + digitAt(g * 4 + 1) * 10 + digitAt(g * 4);
    groups[count++] = static_cast<std::uint16_t>(v);
  }
  int first = 0;
  while (first < count && groups[first] == 0) ++first;
  int last = count;
  while (last > first && groups[last - 1] == 0) --last;
  const int ndigits = last - first;
  const int weight = ndigits == 0 ? 0 : top - first;
  put32(out, static_cast<std::uint32_t>(8 + 2 * ndigits));
  put16(out, static_cast<std::uint16_t>(ndigits));
  put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(weight)));
  put16(out, negative && ndigits != 0 ? 0x4000 : 0x0000);
  put16(out, static_cast<std::uint16_t>(scale));
  for (int i = first; i < last; ++i) put16(out, groups[i]);
}

void appendText(std::string& out, const std::u16string& text, std::size_t& replaced) {
  if (text.find(u'\0') != std::u16string::npos) {
    throw ValueError("the text holds the character U+0000, which PostgreSQL text cannot store");
  }
  const std::size_t at = out.size();
  put32(out, 0);
  appendUtf8(out, text, replaced);
  const auto length = static_cast<std::uint32_t>(out.size() - at - 4);
  out[at] = static_cast<char>(length >> 24);
  out[at + 1] = static_cast<char>(length >> 16);
  out[at + 2] = static_cast<char>(length >> 8);
  out[at + 3] = static_cast<char>(length);
}

[[noreturn]] void mismatch(const jet::Value& v, DataType type) {
  throw ValueError(std::string("a ") + jet::valueKindName(v.kind()) + " value in a " + jet::dataTypeName(type) +
                   " column");
}

void appendValue(std::string& out, const jet::Value& v, DataType type, std::size_t& replaced) {
  if (v.isNull()) {
    put32(out, 0xFFFFFFFFu);
    return;
  }
  switch (type) {
    case DataType::Boolean:
      if (v.kind() != ValueKind::Boolean) mismatch(v, type);
      put32(out, 1);
      out += static_cast<char>(v.asBoolean() ? 1 : 0);
      return;
    case DataType::Byte:
    case DataType::Integer: {
      if (v.kind() != ValueKind::Byte && v.kind() != ValueKind::Integer) mismatch(v, type);
      put32(out, 2);
      put16(out, static_cast<std::uint16_t>(v.kind() == ValueKind::Byte ? v.asByte() : v.asInteger()));
      return;
    }
    case DataType::Long:
      if (v.kind() != ValueKind::Long) mismatch(v, type);
      field32(out, static_cast<std::uint32_t>(v.asLong()));
      return;
    case DataType::Single:
      if (v.kind() != ValueKind::Single) mismatch(v, type);
      field32(out, std::bit_cast<std::uint32_t>(v.asSingle()));
      return;
    case DataType::Double:
      if (v.kind() != ValueKind::Double) mismatch(v, type);
      put32(out, 8);
      put64(out, std::bit_cast<std::uint64_t>(v.asDouble()));
      return;
    case DataType::Currency: {
      if (v.kind() != ValueKind::Currency) mismatch(v, type);
      const std::int64_t units = v.asCurrency().units;
      const std::uint64_t m = units < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
      appendNumeric(out, m, 4, units < 0);
      return;
    }
    case DataType::Numeric:
      if (v.kind() != ValueKind::Decimal) mismatch(v, type);
      appendNumeric(out, v.asDecimal().magnitude, v.asDecimal().scale, v.asDecimal().negative);
      return;
    case DataType::DateTime:
      if (v.kind() != ValueKind::DateTime) mismatch(v, type);
      put32(out, 8);
      put64(out, static_cast<std::uint64_t>(timestampMicros(v.asDateTime())));
      return;
    case DataType::Text:
    case DataType::Memo:
      if (v.kind() != ValueKind::Text) mismatch(v, type);
      appendText(out, v.asText(), replaced);
      return;
    case DataType::Guid: {
      if (v.kind() != ValueKind::Guid) mismatch(v, type);
      // Jet keeps the first three groups little-endian; uuid is big-endian throughout.
      static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      put32(out, 16);
      for (int i : kOrder) out += static_cast<char>(v.asGuid().bytes[static_cast<std::size_t>(i)]);
      return;
    }
    default: {
      if (v.kind() != ValueKind::Binary) mismatch(v, type);
      const jet::Bytes& b = v.asBinary();
      put32(out, static_cast<std::uint32_t>(b.size()));
      out.append(reinterpret_cast<const char*>(b.data()), b.size());
      return;
    }
  }
}

}  // namespace

void appendBinaryCopyHeader(std::string& out) {
  out.append("PGCOPY\n\377\r\n\0", 11);
  put32(out, 0);  // flags
  put32(out, 0);  // header extension length
}

void appendBinaryCopyTrailer(std::string& out) { put16(out, 0xFFFF); }

void appendBinaryCopyRowStart(std::string& out, std::size_t columns) { put16(out, static_cast<std::uint16_t>(columns)); }

void appendBinaryCopyValue(std::string& out, const jet::Value& value, DataType type, std::size_t& replaced) {
  appendValue(out, value, type, replaced);
}

}  // namespace qbmigrate
