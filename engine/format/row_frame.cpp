// Row frame parsing, both layouts (row_format.h).
#include "format/row_frame.h"

#include "format/row_format.h"

namespace jet {

RowFrame::RowFrame(ByteSpan row, bool hasVariableColumns, const FormatVersion& version)
    : row_(row), wide_(version.rowCountSize == 2), fixedArea_(version.rowCountSize) {
  const std::size_t size = row.size();
  if (size < fixedArea_) throwCorruption("the row is " + std::to_string(size) + " bytes, too short for a row");
  columnCount_ = wide_ ? loadU16(row.data() + kRowColumnCount) : row[kRowColumnCount];
  const std::size_t maskSize = (columnCount_ + 7) / 8;
  if (maskSize + fixedArea_ > size) {
    throwCorruption("the row claims " + std::to_string(columnCount_) +
                    " columns; their null mask does not fit its " + std::to_string(size) + " bytes");
  }
  mask_ = row.data() + size - maskSize;
  dataEnd_ = size - maskSize;
  if (!hasVariableColumns) return;
  if (wide_) {
    readJet4Slots();
  } else {
    readJet3Slots();
  }
}

void RowFrame::readJet4Slots() {
  const std::size_t size = row_.size();
  if (dataEnd_ < fixedArea_ + 4) throwCorruption("the row is too short for its variable-column table");
  varCount_ = loadU16(row_.data() + dataEnd_ - 2);
  // Entries: slot 0 .. slot n-1 starts, then the end of the data, going backwards.
  const std::size_t tableSize = 2 + 2 * (static_cast<std::size_t>(varCount_) + 1);
  if (tableSize + fixedArea_ > dataEnd_) {
    throwCorruption("the row claims " + std::to_string(varCount_) +
                    " variable columns; their offsets do not fit its " + std::to_string(size) + " bytes");
  }
  varTable_ = dataEnd_ - 4;
  dataEnd_ -= tableSize;
}

void RowFrame::readJet3Slots() {
  // Going backwards from the mask: the slot count, the jump table, then one byte
  // per entry (slot 0 .. slot n-1 starts, then the end of the data). A jump byte
  // is the first entry at or past the next 256-byte boundary; the writer keeps
  // (length - 1) / 256 of them, the last one a dummy when fewer boundaries are
  // crossed.
  const std::size_t size = row_.size();
  if (dataEnd_ < fixedArea_ + 2) throwCorruption("the row is too short for its variable-column table");
  varCount_ = row_[dataEnd_ - 1];
  std::size_t jumps = (size - 1) / 256;
  const std::size_t tail = 1 + jumps + varCount_ + 1;  // slot count, jumps, entries
  if (tail + fixedArea_ > dataEnd_) {
    throwCorruption("the row claims " + std::to_string(varCount_) +
                    " variable columns; their offsets do not fit its " + std::to_string(size) + " bytes");
  }
  const std::size_t jumpTable = dataEnd_ - 2;  // jump byte k is at jumpTable - k
  const std::size_t base = dataEnd_ - 1 - jumps - 1;  // entry i is at base - i
  const std::size_t entries = base - varCount_;
  if (entries / 256 < jumps) --jumps;
  std::size_t used = 0;
  for (std::size_t i = 0; i <= varCount_; ++i) {
    while (used < jumps && row_[jumpTable - used] == i) ++used;
    offsets_[i] = static_cast<std::uint16_t>(row_[base - i] + 256 * used);
  }
  dataEnd_ = entries;
}

ByteSpan RowFrame::fixedBytes(std::size_t fixedOffset, std::size_t length) const {
  const std::size_t start = fixedArea_ + fixedOffset;
  if (start + length > dataEnd_) {
    throwCorruption("a fixed column at offset " + std::to_string(fixedOffset) + " (" +
                    std::to_string(length) + " bytes) lies outside the row's " + std::to_string(dataEnd_) +
                    "-byte data area");
  }
  return row_.subspan(start, length);
}

ByteSpan RowFrame::variableBytes(unsigned slot) const {
  const std::size_t start = slotStart(slot);
  const std::size_t end = slotStart(slot + 1);
  if (start > end || end > dataEnd_ || start < fixedArea_) {
    throwCorruption("variable column slot " + std::to_string(slot) + " spans offsets " +
                    std::to_string(start) + " to " + std::to_string(end) + ", outside the row's " +
                    std::to_string(dataEnd_) + "-byte data area");
  }
  return row_.subspan(start, end - start);
}

}  // namespace jet
