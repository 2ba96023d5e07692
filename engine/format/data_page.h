// A checked view of one data page: its owner, slots and row extents.
#pragma once

#include <cstdint>

#include "format/bytes.h"
#include "format/data_page_format.h"
#include "format/format_version.h"
#include "jet/table.h"

namespace jet {

class DataPage {
 public:
  // Checks the page type and that the slot table fits; throws Corruption naming
  // the page otherwise.
  DataPage(ByteSpan page, std::uint32_t number, const FormatVersion& version);

  std::uint32_t number() const { return number_; }
  std::uint32_t owner() const { return loadU32(page_.data() + 4); }
  unsigned slotCount() const { return slotCount_; }

  // The raw slot word (offset and flags).
  std::uint16_t slotWord(unsigned slot) const { return loadU16(page_.data() + slotTable_ + 2 * slot); }
  bool isDeleted(unsigned slot) const;
  bool isOverflow(unsigned slot) const;

  // The bytes of a slot's row; throws Corruption when the slot number is out of
  // range or the extent does not lie inside the page's row area.
  ByteSpan row(unsigned slot) const;

  // Reads the RowId stored at the start of an overflow slot.
  RowId overflowTarget(unsigned slot) const;

 private:
  std::uint16_t offsetOf(unsigned slot) const { return slotWord(slot) & kSlotOffsetMask; }

  ByteSpan page_;
  std::uint32_t number_;
  std::size_t slotTable_;
  unsigned slotCount_;
};

}  // namespace jet
