// Index key encoding for every indexable Jet type.
#include "format/index_key.h"

#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "format/general_97.h"
#include "format/bytes.h"
#include "format/general_legacy.h"
#include "jet/error.h"

namespace jet {

namespace {

// Separator after a full 8-byte segment of a binary value that goes on.
constexpr std::uint8_t kSegmentContinues = 0x09;
constexpr std::size_t kSegmentSize = 8;

// Boolean items: true sorts first in an ascending index.
constexpr std::uint8_t kKeyTrue = 0x00;
constexpr std::uint8_t kKeyFalse = 0xFF;

// Numeric items open with a sign byte that is never inverted.
constexpr std::uint8_t kNumericNegative = 0x00;
constexpr std::uint8_t kNumericNotNegative = 0xFF;

template <std::size_t N>
void appendBytes(const std::array<std::uint8_t, N>& bytes, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void invert(std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>(~p[i]);
}

template <std::size_t N>
std::array<std::uint8_t, N> bigEndian(std::uint64_t value) {
  std::array<std::uint8_t, N> bytes;
  for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * (N - 1 - i)));
  return bytes;
}

// Two's complement integers: big-endian with the sign bit flipped, so that
// unsigned byte order is numeric order.
template <std::size_t N>
void appendInteger(std::int64_t value, bool ascending, std::vector<std::uint8_t>& out) {
  auto bytes = bigEndian<N>(static_cast<std::uint64_t>(value));
  bytes[0] ^= 0x80;
  if (!ascending) invert(bytes.data(), N);
  appendBytes(bytes, out);
}

// IEEE numbers: big-endian; non-negative ones get the sign bit set, negative
// ones are inverted whole, so larger magnitudes of negatives sort first.
template <std::size_t N>
void appendFloating(std::uint64_t bits, bool ascending, std::vector<std::uint8_t>& out) {
  auto bytes = bigEndian<N>(bits);
  if (bytes[0] & 0x80) {
    invert(bytes.data(), N);
  } else {
    bytes[0] ^= 0x80;
  }
  if (!ascending) invert(bytes.data(), N);
  appendBytes(bytes, out);
}

// Binary values in 8-byte segments: a full segment that is followed by more
// data ends with 0x09, the last segment is zero-padded and ends with its real
// length. Descending inverts the data and the last length but not the 0x09s.
void appendSegmented(const std::uint8_t* data, std::size_t length, bool ascending,
                     std::vector<std::uint8_t>& out) {
  while (length > kSegmentSize) {
    const std::size_t at = out.size();
    out.insert(out.end(), data, data + kSegmentSize);
    if (!ascending) invert(out.data() + at, kSegmentSize);
    out.push_back(kSegmentContinues);
    data += kSegmentSize;
    length -= kSegmentSize;
  }
  if (length == 0) return;
  std::array<std::uint8_t, kSegmentSize + 1> last{};
  std::memcpy(last.data(), data, length);
  last[kSegmentSize] = static_cast<std::uint8_t>(length);
  if (!ascending) invert(last.data(), last.size());
  appendBytes(last, out);
}

[[noreturn]] void throwMismatch(const Value& value, DataType type) {
  throw Error(ErrorCode::InvalidArgument, "Cannot build an index key: a " + dataTypeName(type) +
                                              " column cannot hold a " + valueKindName(value.kind()) +
                                              " value.");
}

ValueKind expectedKind(DataType type) {
  const DataTypeFacts& facts = factsOf(type);
  if (!facts.indexable) {
    throw Error(ErrorCode::Unsupported, "Columns of type " + dataTypeName(type) + " cannot be indexed.");
  }
  return facts.kind;
}

// The magnitude of a decimal at the column's scale; InvalidArgument when the
// value has more decimals than the column keeps or does not fit 128 bits.
UInt128 magnitudeAtScale(const Decimal& d, std::uint8_t scale) {
  UInt128 m = d.magnitude;
  for (std::uint8_t s = d.scale; s < scale; ++s) {
    if (m > ~UInt128{0} / 10) {
      throw Error(ErrorCode::InvalidArgument, "Cannot build an index key: " + d.toString() +
                                                  " is too large for a scale of " + std::to_string(scale) +
                                                  ".");
    }
    m *= 10;
  }
  for (std::uint8_t s = d.scale; s > scale; --s) {
    if (m % 10 != 0) {
      throw Error(ErrorCode::InvalidArgument, "Cannot build an index key: " + d.toString() +
                                                  " has more than " + std::to_string(scale) + " decimals.");
    }
    m /= 10;
  }
  return m;
}

// Numeric keys follow Jet 4's rule: a sign byte (0xFF for zero and positive
// values, 0x00 for negative ones) and the 16-byte big-endian magnitude,
// inverted for negative values in ascending columns and for positive values in
// descending ones. So in a descending index negative values still sort before
// positive ones -- that is how Jet 4 orders them, and its files depend on it.
void appendNumeric(const Decimal& d, std::uint8_t scale, bool ascending, std::vector<std::uint8_t>& out) {
  const UInt128 m = magnitudeAtScale(d, scale);
  const bool negative = d.negative && m != 0;
  std::array<std::uint8_t, 17> bytes;
  bytes[0] = negative ? kNumericNegative : kNumericNotNegative;
  for (std::size_t i = 0; i < 16; ++i) bytes[1 + i] = static_cast<std::uint8_t>(m >> (8 * (15 - i)));
  if (negative == ascending) invert(bytes.data() + 1, 16);
  appendBytes(bytes, out);
}

// A GUID's bytes in the order of its text form: Data1, Data2 and Data3 are
// stored little-endian and turned big-endian here.
std::array<std::uint8_t, 16> guidTextOrder(const Guid& g) {
  const auto& b = g.bytes;
  return {b[3], b[2], b[1],  b[0],  b[5],  b[4],  b[7],  b[6],
          b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
}

void checkColumnCount(std::size_t count) {
  if (count == 0 || count > kMaxIndexColumns) {
    throw Error(ErrorCode::InvalidArgument, "An index has 1 to " + std::to_string(kMaxIndexColumns) +
                                                " columns, not " + std::to_string(count) + ".");
  }
}

}  // namespace

bool canEncodeSortOrder(std::uint16_t sortOrder, std::uint8_t version, std::uint16_t codePage) {
  if (codePage != 0) return sortOrder == kGeneralSortOrder && codePage == kGeneral97CodePage;
  return sortOrder == kGeneralSortOrder && version == kLegacySortVersion;
}

std::string describeSortOrder(std::uint16_t sortOrder, std::uint8_t version, std::uint16_t codePage) {
  if (codePage != 0) return "sort order " + hex(sortOrder) + " on code page " + std::to_string(codePage);
  return "sort order " + hex(sortOrder) + " (version " + std::to_string(version) + ")";
}

void appendKeyColumn(const Value& value, const KeyColumn& column, std::vector<std::uint8_t>& out) {
  const bool asc = column.ascending;
  const ValueKind expected = expectedKind(column.type);
  if (!value.isNull() && value.kind() != expected) throwMismatch(value, column.type);
  if (value.isNull() && column.type != DataType::Boolean) {
    out.push_back(asc ? kKeyAscendingNull : kKeyDescendingNull);
    return;
  }
  out.push_back(asc ? kKeyAscendingValue : kKeyDescendingValue);

  switch (column.type) {
    case DataType::Boolean: {
      const bool v = !value.isNull() && value.asBoolean();
      out.push_back(v == asc ? kKeyTrue : kKeyFalse);
      break;
    }
    case DataType::Byte:
      out.push_back(asc ? value.asByte() : static_cast<std::uint8_t>(~value.asByte()));
      break;
    case DataType::Integer:
      appendInteger<2>(value.asInteger(), asc, out);
      break;
    case DataType::Long:
      appendInteger<4>(value.asLong(), asc, out);
      break;
    case DataType::Currency:
      appendInteger<8>(value.asCurrency().units, asc, out);
      break;
    case DataType::Single:
      appendFloating<4>(std::bit_cast<std::uint32_t>(value.asSingle()), asc, out);
      break;
    case DataType::Double:
      appendFloating<8>(std::bit_cast<std::uint64_t>(value.asDouble()), asc, out);
      break;
    case DataType::DateTime:
      appendFloating<8>(std::bit_cast<std::uint64_t>(value.asDateTime().days), asc, out);
      break;
    case DataType::Binary:
    case DataType::Unknown0D: {
      const Bytes& b = value.asBinary();
      appendSegmented(b.data(), b.size(), asc, out);
      break;
    }
    case DataType::Guid: {
      const auto bytes = guidTextOrder(value.asGuid());
      appendSegmented(bytes.data(), bytes.size(), asc, out);
      break;
    }
    case DataType::Numeric:
      appendNumeric(value.asDecimal(), column.scale, asc, out);
      break;
    case DataType::Text:
    case DataType::Memo:
      if (column.codePage != 0) {
        appendGeneral97Key(value.asText(), asc, out);
      } else {
        appendGeneralLegacyKey(value.asText(), asc, out);
      }
      break;
    case DataType::Ole:
    case DataType::Unknown11:
      break;  // rejected by expectedKind
  }
}

IndexKeyEncoder::IndexKeyEncoder(std::vector<KeyColumn> columns) : columns_(std::move(columns)) {
  checkColumnCount(columns_.size());
  for (const KeyColumn& c : columns_) {
    expectedKind(c.type);  // throws Unsupported for OLE and the like
    const bool text = c.type == DataType::Text || c.type == DataType::Memo;
    if (text && !canEncodeSortOrder(c.sortOrder, c.sortOrderVersion, c.codePage)) {
      throw Error(ErrorCode::Unsupported, "Text index keys in " +
                                              describeSortOrder(c.sortOrder, c.sortOrderVersion, c.codePage) +
                                              " cannot be built; only the General sort order is supported.");
    }
  }
}

void IndexKeyEncoder::appendKey(std::span<const Value> row, std::vector<std::uint8_t>& out) const {
  for (const KeyColumn& c : columns_) {
    if (c.rowPosition >= row.size()) {
      throw Error(ErrorCode::InvalidArgument,
                  "Cannot build an index key: the row has " + std::to_string(row.size()) +
                      " values, the index needs value " + std::to_string(c.rowPosition + 1) + ".");
    }
    appendKeyColumn(row[c.rowPosition], c, out);
  }
}

std::vector<std::uint8_t> IndexKeyEncoder::key(std::span<const Value> row) const {
  std::vector<std::uint8_t> out;
  appendKey(row, out);
  return out;
}

bool IndexKeyEncoder::allNull(std::span<const Value> row) const {
  for (const KeyColumn& c : columns_) {
    if (c.type == DataType::Boolean) return false;
    if (c.rowPosition < row.size() && !row[c.rowPosition].isNull()) return false;
  }
  return true;
}

std::vector<std::uint8_t> encodeIndexKey(const std::vector<KeyPart>& parts) {
  checkColumnCount(parts.size());
  std::vector<std::uint8_t> out;
  for (const KeyPart& part : parts) {
    KeyColumn column;
    column.type = part.type;
    column.ascending = part.ascending;
    column.scale = part.scale;
    appendKeyColumn(part.value, column, out);
  }
  return out;
}

}  // namespace jet
