// Data page editing.
#include "format/data_page_writer.h"

#include <algorithm>
#include <cstring>

#include "format/data_page_format.h"

namespace jet {

namespace {

void storeU16(std::uint8_t* p, std::size_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void storeU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint16_t kSlotFlags = kSlotDeleted | kSlotOverflow;

}  // namespace

std::size_t insertableLength(ByteSpan page, const FormatVersion& version) {
  if (page.size() < version.dataSlotTable || page[0] != kPageTypeData) return 0;
  const unsigned count = loadU16(page.data() + version.dataSlotCount);
  const std::size_t table = version.dataSlotTable + 2 * static_cast<std::size_t>(count);
  if (table > page.size()) return 0;
  const auto offsetOf = [&](unsigned slot) {
    return static_cast<std::size_t>(loadU16(page.data() + version.dataSlotTable + 2 * slot) & kSlotOffsetMask);
  };
  const std::size_t lowest = count == 0 ? page.size() : offsetOf(count - 1);
  if (lowest < table) return 0;
  const std::size_t free = lowest - table;
  if (count < kMaxSlotsPerPage) return free >= 2 ? free - 2 : 0;
  std::size_t best = 0;
  for (unsigned s = 0; s < count; ++s) {
    const std::uint16_t word = loadU16(page.data() + version.dataSlotTable + 2 * s);
    if ((word & kSlotFlags) != kSlotFlags) continue;
    const std::size_t end = s == 0 ? page.size() : offsetOf(s - 1);
    const std::size_t start = offsetOf(s);
    if (start <= end) best = std::max(best, end - start + free);
  }
  return best;
}

void DataPageEditor::format(std::span<std::uint8_t> page, std::uint32_t owner, const FormatVersion& version) {
  std::fill(page.begin(), page.end(), std::uint8_t{0});
  page[0] = kPageTypeData;
  page[1] = 0x01;
  storeU32(page.data() + kDataPageOwner, owner);
  storeU16(page.data() + version.dataSlotCount, 0);
  storeU16(page.data() + kDataPageFreeSpace, page.size() - version.dataSlotTable);
}

DataPageEditor::DataPageEditor(std::span<std::uint8_t> page, std::uint32_t number, const FormatVersion& version)
    : page_(page), number_(number), version_(version) {
  const auto fail = [&](const std::string& why) {
    throwCorruption("data page " + std::to_string(number) + " cannot be changed: " + why);
  };
  if (page.size() < version.dataSlotTable || page[0] != kPageTypeData) fail("it is not a data page");
  slotCount_ = loadU16(page.data() + version.dataSlotCount);
  if (rowArea() > page.size()) fail("its slot table runs past the end of the page");
  std::size_t end = page.size();
  for (unsigned s = 0; s < slotCount_; ++s) {
    const std::size_t offset = offsetOf(s);
    if (offset > end || offset < rowArea()) {
      fail("row slot " + std::to_string(s) + " starts at byte " + std::to_string(offset) +
           ", outside the rows that follow it in slot order");
    }
    end = offset;
  }
}

std::uint32_t DataPageEditor::owner() const { return loadU32(page_.data() + kDataPageOwner); }
std::size_t DataPageEditor::offsetOf(unsigned slot) const {
  return loadU16(page_.data() + version_.dataSlotTable + 2 * slot) & kSlotOffsetMask;
}
std::uint16_t DataPageEditor::slotFlags(unsigned slot) const {
  return loadU16(page_.data() + version_.dataSlotTable + 2 * slot) & kSlotFlags;
}
bool DataPageEditor::isDeleted(unsigned slot) const { return (slotFlags(slot) & kSlotDeleted) != 0; }
std::size_t DataPageEditor::endOf(unsigned slot) const { return slot == 0 ? page_.size() : offsetOf(slot - 1); }
std::size_t DataPageEditor::rowArea() const { return version_.dataSlotTable + 2 * static_cast<std::size_t>(slotCount_); }
std::size_t DataPageEditor::lowest() const { return slotCount_ == 0 ? page_.size() : offsetOf(slotCount_ - 1); }
std::size_t DataPageEditor::freeSpace() const { return lowest() - rowArea(); }

std::span<std::uint8_t> DataPageEditor::row(unsigned slot) {
  return page_.subspan(offsetOf(slot), endOf(slot) - offsetOf(slot));
}

unsigned DataPageEditor::liveRows() const {
  unsigned n = 0;
  for (unsigned s = 0; s < slotCount_; ++s) n += isDeleted(s) ? 0 : 1;
  return n;
}

void DataPageEditor::setSlot(unsigned slot, std::size_t offset, std::uint16_t flags) {
  storeU16(page_.data() + version_.dataSlotTable + 2 * slot, offset | flags);
}

void DataPageEditor::updateFreeSpace() { storeU16(page_.data() + kDataPageFreeSpace, freeSpace()); }

std::optional<unsigned> DataPageEditor::reusableSlot() const {
  // Only rows deleted outright (both flags) are free; a slot with 0x8000 alone
  // holds the moved data of a row whose pointer lives elsewhere.
  for (unsigned s = 0; s < slotCount_; ++s) {
    if (slotFlags(s) == kSlotFlags) return s;
  }
  return std::nullopt;
}

bool DataPageEditor::canInsert(std::size_t length) const {
  if (slotCount_ < kMaxSlotsPerPage) return length + 2 <= freeSpace();
  const auto slot = reusableSlot();
  return slot && canResize(*slot, length);
}

bool DataPageEditor::canResize(unsigned slot, std::size_t length) const {
  const std::size_t old = endOf(slot) - offsetOf(slot);
  return length <= old || length - old <= freeSpace();
}

unsigned DataPageEditor::insert(ByteSpan bytes, std::uint16_t flags) {
  if (slotCount_ >= kMaxSlotsPerPage) {
    const unsigned slot = *reusableSlot();
    replace(slot, bytes, flags);
    return slot;
  }
  const std::size_t offset = lowest() - bytes.size();
  const unsigned slot = slotCount_++;
  storeU16(page_.data() + version_.dataSlotCount, slotCount_);
  setSlot(slot, offset, flags);
  std::memcpy(page_.data() + offset, bytes.data(), bytes.size());
  updateFreeSpace();
  return slot;
}

void DataPageEditor::replace(unsigned slot, ByteSpan bytes, std::uint16_t flags) {
  const std::size_t start = offsetOf(slot);
  const std::size_t end = endOf(slot);
  const std::size_t low = lowest();
  // Rows of later slots lie in [low, start); they move by the change in size.
  const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(end - start) - static_cast<std::ptrdiff_t>(bytes.size());
  if (shift != 0) {
    std::memmove(page_.data() + low + shift, page_.data() + low, start - low);
    for (unsigned s = slot + 1; s < slotCount_; ++s) {
      setSlot(s, static_cast<std::size_t>(static_cast<std::ptrdiff_t>(offsetOf(s)) + shift), slotFlags(s));
    }
  }
  const std::size_t offset = end - bytes.size();
  if (!bytes.empty()) std::memmove(page_.data() + offset, bytes.data(), bytes.size());
  setSlot(slot, offset, flags);
  updateFreeSpace();
}

void DataPageEditor::remove(unsigned slot) { replace(slot, {}, kSlotFlags); }

}  // namespace jet
