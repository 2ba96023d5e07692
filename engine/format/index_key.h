// Index keys: the bytes an index entry holds for a row's values. A key is the
// concatenation, in index-column order, of one item per column: a flag byte
// (null or present, ascending or descending) and the value's bytes in a form
// whose unsigned byte order is the column's sort order. Entries with equal keys
// are ordered by row pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/value.h"

namespace jet {

// An index has at most this many columns.
inline constexpr std::size_t kMaxIndexColumns = 10;

// Flag bytes that open each column's item.
inline constexpr std::uint8_t kKeyAscendingNull = 0x00;
inline constexpr std::uint8_t kKeyAscendingValue = 0x7F;
inline constexpr std::uint8_t kKeyDescendingValue = 0x80;
inline constexpr std::uint8_t kKeyDescendingNull = 0xFF;

// The text sort order a column's keys are built in (its LCID and sort-order
// version from the column descriptor; Access 97 columns name a code page
// instead of a version).
inline constexpr std::uint16_t kGeneralSortOrder = 0x0409;
inline constexpr std::uint8_t kLegacySortVersion = 0;
inline constexpr std::uint16_t kGeneral97CodePage = 1252;

// One column of an index as the key encoder needs it.
struct KeyColumn {
  DataType type = DataType::Long;
  bool ascending = true;
  std::uint8_t scale = 0;                       // Numeric: the column's scale
  std::uint16_t sortOrder = kGeneralSortOrder;  // Text and Memo: the column's sort order
  std::uint8_t sortOrderVersion = kLegacySortVersion;
  std::uint16_t codePage = 0;   // Access 97 text: the column's code page; 0 for Unicode text
  std::size_t rowPosition = 0;  // where IndexKeyEncoder finds the value in a row
};

// True when keys of text in that sort order can be built: Jet 4's General
// legacy order (code page 0), or Access 97's General order on code page 1252.
// Indexes in other orders can be read but not maintained.
bool canEncodeSortOrder(std::uint16_t sortOrder, std::uint8_t version, std::uint16_t codePage);

// Why keys in that sort order cannot be built, for a message ("sort order
// 0x0419 (version 0)" or "sort order 0x0409 on code page 1251").
std::string describeSortOrder(std::uint16_t sortOrder, std::uint8_t version, std::uint16_t codePage);

// Appends one column's item (flag byte and value bytes) to `out`. The value's
// kind must suit the column type (Text for Text and Memo, Binary for Binary,
// Decimal for Numeric, ...); Null is allowed for every type, and a Null
// Boolean counts as false (a Yes/No field has no null). A Numeric value is
// brought to the column's scale. Fails with InvalidArgument for a value that
// does not suit the column and Unsupported for a type that cannot be indexed.
void appendKeyColumn(const Value& value, const KeyColumn& column, std::vector<std::uint8_t>& out);

// Builds the keys of one index.
class IndexKeyEncoder {
 public:
  // Checks the columns once: 1 to 10 of them, indexable types, text in a sort
  // order we can encode (Unsupported otherwise).
  explicit IndexKeyEncoder(std::vector<KeyColumn> columns);

  const std::vector<KeyColumn>& columns() const { return columns_; }

  // Appends the key of a row whose values are given in table-column order
  // (each column's value is row[column.rowPosition]). Reuse `out` between
  // calls to build keys without allocating.
  void appendKey(std::span<const Value> row, std::vector<std::uint8_t>& out) const;
  std::vector<std::uint8_t> key(std::span<const Value> row) const;

  // True when every key column of the row is Null (such rows have no entry in
  // an index that ignores nulls).
  bool allNull(std::span<const Value> row) const;

 private:
  std::vector<KeyColumn> columns_;
};

// One value with its column description, for building a key in one call.
struct KeyPart {
  Value value;
  DataType type = DataType::Long;
  bool ascending = true;
  std::uint8_t scale = 0;
};

// The key of values given in index-column order.
std::vector<std::uint8_t> encodeIndexKey(const std::vector<KeyPart>& parts);

}  // namespace jet
