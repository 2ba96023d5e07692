// The frame of one stored row: its column count, null mask and variable-slot
// table, checked once so that each column's bytes can then be taken in O(1).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "format/bytes.h"
#include "format/format_version.h"

namespace jet {

class RowFrame {
 public:
  // Parses a row of the version's layout. `hasVariableColumns` is true when the
  // table definition counts variable-offset slots. Throws Corruption when the
  // counts do not fit the row's bytes.
  RowFrame(ByteSpan row, bool hasVariableColumns, const FormatVersion& version);

  ByteSpan bytes() const { return row_; }
  unsigned columnCount() const { return columnCount_; }
  unsigned variableSlotCount() const { return varCount_; }

  // The null-mask bit of a column number; false for columns the row does not carry.
  bool maskBit(unsigned columnNumber) const {
    return columnNumber < columnCount_ && (mask_[columnNumber >> 3] >> (columnNumber & 7) & 1) != 0;
  }

  // Bytes of a fixed column; throws Corruption when they lie outside the row's
  // fixed and variable areas.
  ByteSpan fixedBytes(std::size_t fixedOffset, std::size_t length) const;

  // Bytes of a variable slot (`slot` < variableSlotCount()); throws Corruption
  // when the slot's offsets are out of order or outside the data area.
  ByteSpan variableBytes(unsigned slot) const;

 private:
  std::size_t slotStart(unsigned slot) const {
    return wide_ ? loadU16(row_.data() + varTable_ - 2 * slot) : offsets_[slot];
  }
  void readJet4Slots();
  void readJet3Slots();

  ByteSpan row_;
  bool wide_ = true;            // u16 counts and offsets (Jet 4); else one byte each (Jet 3)
  std::size_t fixedArea_ = 0;   // where the fixed columns start

  const std::uint8_t* mask_ = nullptr;
  unsigned columnCount_ = 0;
  unsigned varCount_ = 0;
  std::size_t varTable_ = 0;  // offset of slot 0's start entry (Jet 4)
  std::size_t dataEnd_ = 0;   // end of the area values may occupy
  // Jet 3: the slots' offsets, with the jump table applied (n + 1 entries).
  std::array<std::uint16_t, 257> offsets_{};
};

}  // namespace jet
