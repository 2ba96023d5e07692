// Changing data pages: rows of tables, long values and usage maps all live on
// them. Rows are kept packed from the end of the page in slot order, so row i
// occupies [offset(i), offset(i-1)); inserting, resizing or deleting a row moves
// the rows of higher slots and keeps every slot number (RowIds never change).
// A deleted row keeps its slot with the 0xC000 flags and no bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "format/bytes.h"
#include "format/format_version.h"

namespace jet {

// Most rows a data page can hold (slot numbers are one byte).
inline constexpr unsigned kMaxSlotsPerPage = 255;

// Largest row DataPageEditor::insert could add to this page now (0 when
// none), read without changing the page. The page's slot table is not checked
// here; the editor checks it before the row is added.
std::size_t insertableLength(ByteSpan page, const FormatVersion& version);

class DataPageEditor {
 public:
  // Checks the page (type, slot table inside the page, row offsets in slot
  // order within the row area); throws Corruption naming the page otherwise, so
  // a damaged page is never written over.
  DataPageEditor(std::span<std::uint8_t> page, std::uint32_t number, const FormatVersion& version);

  // Writes an empty data page owned by `owner` (a table's definition page,
  // kLongValueOwner, or 0 for usage-map pages).
  static void format(std::span<std::uint8_t> page, std::uint32_t owner, const FormatVersion& version);

  std::uint32_t owner() const;
  unsigned slotCount() const { return slotCount_; }
  // Bytes between the slot table and the lowest row.
  std::size_t freeSpace() const;
  std::uint16_t slotFlags(unsigned slot) const;
  bool isDeleted(unsigned slot) const;
  std::span<std::uint8_t> row(unsigned slot);
  unsigned liveRows() const;

  // Whether a row of `length` bytes fits: in a new slot, or in a deleted slot
  // once the page has no slot numbers left.
  bool canInsert(std::size_t length) const;
  // Adds a row (with slot flags, e.g. 0x8000 for an overflow target) and returns
  // its slot. The caller checks canInsert first.
  unsigned insert(ByteSpan bytes, std::uint16_t flags = 0);
  // Whether slot `slot` can take `length` bytes in place of its row.
  bool canResize(unsigned slot, std::size_t length) const;
  // Replaces a row's bytes and flags (`bytes` must not point into the page).
  void replace(unsigned slot, ByteSpan bytes, std::uint16_t flags);
  // Marks a row deleted (0xC000) and gives its bytes back to the page.
  void remove(unsigned slot);

  std::uint32_t pageNumber() const { return number_; }

 private:
  std::size_t offsetOf(unsigned slot) const;
  std::size_t endOf(unsigned slot) const;  // end of the row's bytes
  std::size_t rowArea() const;            // end of the slot table
  std::size_t lowest() const;             // start of the lowest row
  void setSlot(unsigned slot, std::size_t offset, std::uint16_t flags);
  void updateFreeSpace();
  std::optional<unsigned> reusableSlot() const;

  std::span<std::uint8_t> page_;
  std::uint32_t number_;
  const FormatVersion& version_;
  unsigned slotCount_;
};

}  // namespace jet
