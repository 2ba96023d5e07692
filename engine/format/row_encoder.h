// Building a row from its columns' stored bytes: the inverse of RowFrame
// (row_format.h has both layouts). Rows are always written in the table's current
// layout: they carry the definition's column count and every variable slot,
// deleted columns' slots included (left empty).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/bytes.h"

namespace jet {

struct RowLayout {
  std::uint16_t columnCount = 0;  // the definition's highest column count
  std::uint16_t varSlots = 0;     // the definition's variable-slot count
  std::size_t fixedSize = 0;      // bytes of the fixed area
  std::size_t countSize = 2;      // bytes of counts and offsets: 2 (Jet 4) or 1 (Jet 3)
};

// One current column of the row.
struct RowField {
  std::uint16_t number = 0;      // null-mask bit
  bool fixed = false;
  bool boolean = false;          // the mask bit is the value; no bytes
  std::uint16_t fixedOffset = 0;
  std::uint16_t varSlot = 0;
  bool present = false;          // mask bit: not null (booleans: true)
  ByteSpan bytes;                // the stored value (fixed: exactly its size)
};

// Writes the row into `out` (replacing its contents). Throws Corruption when a
// field does not fit the layout (a fixed value past the fixed area, a slot or a
// column number beyond the counts): the definition contradicts itself. A Jet 3
// row whose offsets cannot be stored (more than 255 variable slots) is refused
// the same way.
void encodeRow(const RowLayout& layout, std::span<const RowField> fields, std::vector<std::uint8_t>& out);

// Smallest row of a layout: every column null. (A Jet 3 row of 256 bytes or
// more takes one byte per 256 more for its jump table.)
std::size_t minimumRowSize(const RowLayout& layout);

}  // namespace jet
