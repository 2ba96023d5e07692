// Decoding and encoding of index pages.
#include "format/index_page.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {

namespace {

std::uint32_t loadLe(const std::uint8_t* p, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = size; i-- > 0;) v = v << 8 | p[i];
  return v;
}

void storeLe(std::uint8_t* p, std::uint32_t v, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t loadBe(const std::uint8_t* p, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < size; ++i) v = v << 8 | p[i];
  return v;
}

void storeBe(std::uint8_t* p, std::uint32_t v, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * (size - 1 - i)));
}

// Bytes after the key: the row pointer, and on node pages the child page.
std::size_t pointerSize(IndexPageKind kind) {
  return kIndexRowPointerSize + (kind == IndexPageKind::Node ? kIndexChildPointerSize : 0);
}

[[noreturn]] void throwDamaged(std::uint32_t pageNumber, const std::string& why) {
  throw Error(ErrorCode::Corruption,
              "Index page " + std::to_string(pageNumber) + " is damaged: " + why + ".");
}

// Writes an entry's row pointer and child page (node pages) after its key.
void storePointers(std::uint8_t* p, RowId row, std::uint32_t child, IndexPageKind kind) {
  storeBe(p, row.page(), 3);
  p[3] = row.slot();
  if (kind == IndexPageKind::Node) storeBe(p + kIndexRowPointerSize, child, kIndexChildPointerSize);
}

}  // namespace

int compareIndexEntries(std::span<const std::uint8_t> keyA, RowId rowA, std::span<const std::uint8_t> keyB,
                        RowId rowB) {
  const std::size_t n = std::min(keyA.size(), keyB.size());
  if (n != 0) {
    const int c = std::memcmp(keyA.data(), keyB.data(), n);
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (keyA.size() != keyB.size()) return keyA.size() < keyB.size() ? -1 : 1;
  if (rowA != rowB) return rowA < rowB ? -1 : 1;
  return 0;
}

void IndexPage::decode(std::span<const std::uint8_t> page, std::uint32_t pageNumber,
                       const IndexPageFormat& format) {
  try {
    decodeEntries(page, pageNumber, format);
  } catch (...) {
    clearEntries();
    throw;
  }
}

void IndexPage::decodeEntries(std::span<const std::uint8_t> page, std::uint32_t pageNumber,
                              const IndexPageFormat& format) {
  if (page.size() != format.pageSize) {
    throw Error(ErrorCode::InvalidArgument, "Index page " + std::to_string(pageNumber) + " was given as " +
                                                std::to_string(page.size()) + " bytes, not " +
                                                std::to_string(format.pageSize) + ".");
  }
  const std::uint8_t* p = page.data();
  if (p[0] != kIndexNodePageType && p[0] != kIndexLeafPageType) {
    throw Error(ErrorCode::Corruption, "Page " + std::to_string(pageNumber) +
                                           " should be an index page but has type " + std::to_string(p[0]) +
                                           ".");
  }
  kind = static_cast<IndexPageKind>(p[0]);
  storedFreeSpace_ = static_cast<std::uint16_t>(loadLe(p + format.freeSpace, 2));
  ownerPage = loadLe(p + format.ownerPage, 4);
  prevPage = loadLe(p + format.prevPage, 4);
  nextPage = loadLe(p + format.nextPage, 4);
  tailPage = loadLe(p + format.tailPage, 4);
  const std::size_t prefixLength = loadLe(p + format.prefixLength, format.prefixLengthSize);
  storedPrefixLength_ = prefixLength;

  keys_.clear();
  slots_.clear();
  keys_.reserve(format.pageSize);
  const std::size_t pointers = pointerSize(kind);
  const std::uint8_t* data = p + format.entryData;
  const std::size_t maxData = format.maxDataSize();
  std::size_t start = 0;     // data offset where the next stored entry begins
  std::size_t prefixAt = 0;  // offset of the first entry's bytes in keys_
  for (std::size_t byte = 0; byte < format.bitmapSize; ++byte) {
    unsigned bits = p[format.bitmap + byte];
    while (bits != 0) {
      const std::size_t end = byte * 8 + static_cast<std::size_t>(std::countr_zero(bits));
      bits &= bits - 1;
      if (end > maxData) {
        throwDamaged(pageNumber, "its bitmap marks an entry ending at byte " + std::to_string(end) +
                                     ", past the " + std::to_string(maxData) + " bytes of entry data");
      }
      if (end <= start) throwDamaged(pageNumber, "its bitmap marks an empty first entry");
      const std::size_t stored = end - start;
      const std::size_t offset = keys_.size();
      if (slots_.empty()) {
        if (prefixLength > stored) {
          throwDamaged(pageNumber, "its shared prefix of " + std::to_string(prefixLength) +
                                       " bytes is longer than its first entry (" + std::to_string(stored) +
                                       " bytes)");
        }
        prefixAt = offset;
      } else {
        keys_.resize(offset + prefixLength);
        std::memcpy(keys_.data() + offset, keys_.data() + prefixAt, prefixLength);
      }
      const std::size_t storedAt = keys_.size();
      keys_.resize(storedAt + stored);
      std::memcpy(keys_.data() + storedAt, data + start, stored);
      const std::size_t full = keys_.size() - offset;
      if (full <= pointers) {
        throwDamaged(pageNumber, "entry " + std::to_string(slots_.size()) + " has " + std::to_string(full) +
                                     " bytes, too short for a key and its pointers");
      }
      const std::uint8_t* ptr = keys_.data() + keys_.size() - pointers;
      Slot slot{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(full - pointers),
                RowId::of(loadBe(ptr, 3), ptr[3]), 0};
      if (kind == IndexPageKind::Node)
        slot.child = loadBe(ptr + kIndexRowPointerSize, kIndexChildPointerSize);
      // The first entry's pointer bytes stay in keys_ while later entries may
      // still take their prefix from them; the others are dropped at once.
      if (!slots_.empty()) {
        keys_.resize(keys_.size() - pointers);
        const Slot& before = slots_.back();
        if (compareIndexEntries({keys_.data() + before.offset, before.keyLength}, before.row,
                                {keys_.data() + slot.offset, slot.keyLength}, slot.row) >= 0) {
          throwDamaged(pageNumber, "entry " + std::to_string(slots_.size()) +
                                       " is not in order after entry " + std::to_string(slots_.size() - 1));
        }
      }
      slots_.push_back(slot);
      start = end;
    }
  }
}

std::span<const std::uint8_t> IndexPage::key(std::size_t i) const {
  const Slot& s = slots_[i];
  return {keys_.data() + s.offset, s.keyLength};
}

std::size_t IndexPage::lowerBound(std::span<const std::uint8_t> searchKey, RowId searchRow) const {
  std::size_t lo = 0;
  std::size_t hi = slots_.size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (compareIndexEntries(key(mid), slots_[mid].row, searchKey, searchRow) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

void IndexPage::clearEntries() {
  keys_.clear();
  slots_.clear();
}

void IndexPage::insert(std::size_t position, std::span<const std::uint8_t> newKey, RowId newRow,
                       std::uint32_t childPage) {
  if (position > slots_.size()) {
    throw Error(ErrorCode::InvalidArgument, "Index entry position " + std::to_string(position) +
                                                " is past the end of a page of " +
                                                std::to_string(slots_.size()) + " entries.");
  }
  if (newKey.empty() || newKey.size() > UINT16_MAX) {
    throw Error(ErrorCode::InvalidArgument,
                "An index key of " + std::to_string(newKey.size()) + " bytes cannot be stored.");
  }
  // Erased entries leave their bytes behind; pack the buffer when they are
  // most of it.
  if (keys_.size() > 16384) {
    std::size_t live = 0;
    for (const Slot& s : slots_) live += s.keyLength;
    if (keys_.size() > 2 * live) {
      std::vector<std::uint8_t> packed;
      packed.reserve(live + newKey.size());
      for (Slot& s : slots_) {
        const auto from = keys_.begin() + static_cast<std::ptrdiff_t>(s.offset);
        s.offset = static_cast<std::uint32_t>(packed.size());
        packed.insert(packed.end(), from, from + s.keyLength);
      }
      keys_.swap(packed);
    }
  }
  const Slot slot{static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint32_t>(newKey.size()), newRow,
                  childPage};
  keys_.insert(keys_.end(), newKey.begin(), newKey.end());
  slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(position), slot);
}

void IndexPage::erase(std::size_t first, std::size_t last) {
  if (first > last || last > slots_.size()) {
    throw Error(ErrorCode::InvalidArgument, "Index entries " + std::to_string(first) + " to " +
                                                std::to_string(last) + " are not on a page of " +
                                                std::to_string(slots_.size()) + " entries.");
  }
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(first),
               slots_.begin() + static_cast<std::ptrdiff_t>(last));
  if (slots_.empty()) keys_.clear();
}

std::size_t IndexPage::entryDataSize(std::size_t i) const {
  return slots_[i].keyLength + pointerSize(kind);
}

std::size_t IndexPage::commonPrefixLength(std::size_t first, std::size_t last,
                                          const IndexPageFormat& format) const {
  if (first > last || last > slots_.size() || last - first < 2) return 0;
  const auto a = key(first);
  const auto b = key(last - 1);
  const std::size_t limit = std::min({a.size(), b.size(), format.maxPrefixLength()});
  std::size_t n = 0;
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

std::size_t IndexPage::dataSize(std::size_t first, std::size_t last, const IndexPageFormat& format) const {
  if (first >= last || last > slots_.size()) return 0;
  std::size_t total = 0;
  for (std::size_t i = first; i < last; ++i) total += entryDataSize(i);
  return total - commonPrefixLength(first, last, format) * (last - first - 1);
}

void IndexPage::checkOrder() const {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (kind == IndexPageKind::Leaf && slots_[i].child != 0) {
      throw Error(ErrorCode::InvalidArgument,
                  "Index entry " + std::to_string(i) + " names a child page but the page is a leaf.");
    }
    if (i > 0 && compareIndexEntries(key(i - 1), slots_[i - 1].row, key(i), slots_[i].row) >= 0) {
      throw Error(ErrorCode::InvalidArgument, "Index entries " + std::to_string(i - 1) + " and " +
                                                  std::to_string(i) + " are out of order.");
    }
  }
}

bool IndexPage::encode(std::span<std::uint8_t> out, const IndexPageFormat& format) const {
  return encode(out, format, commonPrefixLength(0, slots_.size(), format));
}

bool IndexPage::encode(std::span<std::uint8_t> out, const IndexPageFormat& format,
                       std::size_t prefixLength) const {
  if (out.size() != format.pageSize) {
    throw Error(ErrorCode::InvalidArgument, "An index page needs a buffer of " +
                                                std::to_string(format.pageSize) + " bytes, not " +
                                                std::to_string(out.size()) + ".");
  }
  const std::size_t pointers = pointerSize(kind);
  const std::size_t n = slots_.size();
  if (n < 2) prefixLength = 0;

  // The whole stored form of entry i: key bytes then pointers.
  std::uint8_t firstPointers[kIndexRowPointerSize + kIndexChildPointerSize];
  if (n != 0) storePointers(firstPointers, slots_[0].row, slots_[0].child, kind);
  auto firstByte = [&](std::size_t j) {
    return j < slots_[0].keyLength ? keys_[slots_[0].offset + j] : firstPointers[j - slots_[0].keyLength];
  };
  std::size_t total = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t full = entryDataSize(i);
    if (i > 0 && prefixLength >= full) {
      throw Error(ErrorCode::InvalidArgument, "A shared prefix of " + std::to_string(prefixLength) +
                                                  " bytes leaves nothing of index entry " +
                                                  std::to_string(i) + ".");
    }
    total += i == 0 ? full : full - prefixLength;
  }
  if (prefixLength > format.maxPrefixLength() || (n != 0 && prefixLength > entryDataSize(0))) {
    throw Error(ErrorCode::InvalidArgument, "A shared prefix of " + std::to_string(prefixLength) +
                                                " bytes cannot be stored on an index page.");
  }
  if (total > format.maxDataSize()) return false;
  checkOrder();
  std::uint8_t pointerBytes[kIndexRowPointerSize + kIndexChildPointerSize];
  for (std::size_t i = 1; i < n; ++i) {
    const Slot& s = slots_[i];
    storePointers(pointerBytes, s.row, s.child, kind);
    for (std::size_t j = 0; j < prefixLength; ++j) {
      const std::uint8_t b = j < s.keyLength ? keys_[s.offset + j] : pointerBytes[j - s.keyLength];
      if (b != firstByte(j)) {
        throw Error(ErrorCode::InvalidArgument,
                    "Index entry " + std::to_string(i) + " does not share the first " +
                        std::to_string(prefixLength) + " bytes of the page's entries.");
      }
    }
  }

  std::uint8_t* p = out.data();
  std::memset(p, 0, format.entryData);
  p[0] = static_cast<std::uint8_t>(kind);
  p[1] = 0x01;
  storeLe(p + format.freeSpace, static_cast<std::uint32_t>(format.maxDataSize() - total), 2);
  storeLe(p + format.ownerPage, ownerPage, 4);
  storeLe(p + format.prevPage, prevPage, 4);
  storeLe(p + format.nextPage, nextPage, 4);
  storeLe(p + format.tailPage, tailPage, 4);
  storeLe(p + format.prefixLength, static_cast<std::uint32_t>(prefixLength), format.prefixLengthSize);
  p[format.nodeMarker] = kind == IndexPageKind::Node ? 1 : 0;

  std::uint8_t* data = p + format.entryData;
  std::size_t at = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Slot& s = slots_[i];
    const std::size_t skip = i == 0 ? 0 : prefixLength;
    storePointers(pointerBytes, s.row, s.child, kind);
    if (skip < s.keyLength) {
      std::memcpy(data + at, keys_.data() + s.offset + skip, s.keyLength - skip);
      at += s.keyLength - skip;
      std::memcpy(data + at, pointerBytes, pointers);
      at += pointers;
    } else {
      const std::size_t fromPointers = skip - s.keyLength;
      std::memcpy(data + at, pointerBytes + fromPointers, pointers - fromPointers);
      at += pointers - fromPointers;
    }
    p[format.bitmap + at / 8] = static_cast<std::uint8_t>(p[format.bitmap + at / 8] | 1u << (at % 8));
  }
  std::memset(data + at, 0, format.maxDataSize() - at);
  return true;
}

}  // namespace jet
