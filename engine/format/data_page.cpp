// Data page view with every slot extent checked against the page.
#include "format/data_page.h"

namespace jet {

DataPage::DataPage(ByteSpan page, std::uint32_t number, const FormatVersion& version)
    : page_(page), number_(number), slotTable_(version.dataSlotTable) {
  if (page.size() < version.dataSlotTable || page[0] != kPageTypeData) {
    throwCorruption("page " + std::to_string(number) + " is not a data page (type " +
                    hex(page.empty() ? 0 : page[0]) + ")");
  }
  slotCount_ = loadU16(page.data() + version.dataSlotCount);
  if (slotTable_ + 2 * static_cast<std::size_t>(slotCount_) > page.size()) {
    throwCorruption("data page " + std::to_string(number) + " claims " + std::to_string(slotCount_) +
                    " row slots, more than fit the page");
  }
}

bool DataPage::isDeleted(unsigned slot) const {
  return (slotWord(slot) & kSlotDeleted) != 0;
}
bool DataPage::isOverflow(unsigned slot) const {
  return (slotWord(slot) & kSlotOverflow) != 0;
}

ByteSpan DataPage::row(unsigned slot) const {
  if (slot >= slotCount_) {
    throwCorruption("data page " + std::to_string(number_) + " has no row slot " + std::to_string(slot) +
                    " (it has " + std::to_string(slotCount_) + ")");
  }
  const std::size_t start = offsetOf(slot);
  const std::size_t end = slot == 0 ? page_.size() : offsetOf(slot - 1);
  const std::size_t rowArea = slotTable_ + 2 * static_cast<std::size_t>(slotCount_);
  if (start < rowArea || start > end || end > page_.size()) {
    throwCorruption("data page " + std::to_string(number_) + ": row slot " + std::to_string(slot) +
                    " spans bytes " + std::to_string(start) + " to " + std::to_string(end) +
                    ", outside the page's row area");
  }
  return page_.subspan(start, end - start);
}

RowId DataPage::overflowTarget(unsigned slot) const {
  const ByteSpan r = row(slot);
  if (r.size() < kRowPointerSize) {
    throwCorruption("data page " + std::to_string(number_) + ": overflow slot " + std::to_string(slot) +
                    " is too short to hold a row pointer");
  }
  return RowId{loadU32(r.data())};
}

}  // namespace jet
