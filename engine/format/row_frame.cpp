// Row frame parsing.
#include "format/row_frame.h"

#include "format/row_format.h"

namespace jet {

RowFrame::RowFrame(ByteSpan row, bool hasVariableColumns) : row_(row) {
  const std::size_t size = row.size();
  if (size < kRowFixedArea)
    throwCorruption("the row is " + std::to_string(size) + " bytes, too short for a row");
  columnCount_ = loadU16(row.data() + kRowColumnCount);
  const std::size_t maskSize = (columnCount_ + 7) / 8;
  if (maskSize + kRowFixedArea > size) {
    throwCorruption("the row claims " + std::to_string(columnCount_) +
                    " columns; their null mask does not fit its " + std::to_string(size) + " bytes");
  }
  mask_ = row.data() + size - maskSize;
  dataEnd_ = size - maskSize;
  if (!hasVariableColumns) return;
  if (dataEnd_ < kRowFixedArea + 4) throwCorruption("the row is too short for its variable-column table");
  varCount_ = loadU16(row.data() + dataEnd_ - 2);
  // Entries: slot 0 .. slot n-1 starts, then the end of the data, going backwards.
  const std::size_t tableSize = 2 + 2 * (static_cast<std::size_t>(varCount_) + 1);
  if (tableSize + kRowFixedArea > dataEnd_) {
    throwCorruption("the row claims " + std::to_string(varCount_) +
                    " variable columns; their offsets do not fit its " + std::to_string(size) + " bytes");
  }
  varTable_ = dataEnd_ - 4;
  dataEnd_ -= tableSize;
}

ByteSpan RowFrame::fixedBytes(std::size_t fixedOffset, std::size_t length) const {
  const std::size_t start = kRowFixedArea + fixedOffset;
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
  if (start > end || end > dataEnd_ || start < kRowFixedArea) {
    throwCorruption("variable column slot " + std::to_string(slot) + " spans offsets " +
                    std::to_string(start) + " to " + std::to_string(end) + ", outside the row's " +
                    std::to_string(dataEnd_) + "-byte data area");
  }
  return row_.subspan(start, end - start);
}

}  // namespace jet
