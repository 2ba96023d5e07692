// Usage map editing.
#include "format/usage_map_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "format/bytes.h"
#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/data_page_writer.h"
#include "format/usage_map.h"
#include "format/usage_map_format.h"
#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

namespace {

void storeU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool testBit(std::span<const std::uint8_t> bitmap, std::uint64_t bit) {
  return (bitmap[bit / 8] >> (bit % 8) & 1) != 0;
}
void setBit(std::span<std::uint8_t> bitmap, std::uint64_t bit, bool on) {
  const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
  if (on) {
    bitmap[bit / 8] |= mask;
  } else {
    bitmap[bit / 8] &= static_cast<std::uint8_t>(~mask);
  }
}

// Pages whose bits are set in an inline bitmap.
std::vector<std::uint32_t> setPages(std::span<const std::uint8_t> bitmap, std::uint32_t start) {
  std::vector<std::uint32_t> pages;
  for (std::uint64_t bit = 0; bit < bitmap.size() * 8; ++bit) {
    if (testBit(bitmap, bit) && start + bit <= 0xFFFFFFFFu) pages.push_back(static_cast<std::uint32_t>(start + bit));
  }
  return pages;
}

// Adds the pages whose bits are set in `bitmap` (bit 0 is page `first`),
// highest first, until `out` holds `count` pages.
void addHighestPages(ByteSpan bitmap, std::uint64_t first, std::size_t count, std::vector<std::uint32_t>& out) {
  for (std::size_t i = bitmap.size(); i > 0 && out.size() < count;) {
    if (i >= 8) {
      std::uint64_t word = 0;  // eight bytes of the map at once while they are empty
      std::memcpy(&word, bitmap.data() + i - 8, 8);
      if (word == 0) {
        i -= 8;
        continue;
      }
    }
    --i;
    auto byte = static_cast<unsigned>(bitmap[i]);
    while (byte != 0 && out.size() < count) {
      const auto bit = static_cast<unsigned>(std::bit_width(byte)) - 1;
      byte &= ~(1u << bit);
      const std::uint64_t page = first + i * 8 + bit;
      if (page <= 0xFFFFFFFFu) out.push_back(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

void formatUsageBitmapPage(std::span<std::uint8_t> page, bool fill) {
  std::fill(page.begin(), page.end(), fill ? std::uint8_t{0xFF} : std::uint8_t{0});
  page[0] = kPageTypeUsageBitmap;
  page[1] = 0x01;
  page[2] = 0;
  page[3] = 0;
}

std::span<std::uint8_t> UsageMapWriter::row(RowId map) {
  if (!pager_.isPage(map.page())) {
    throwCorruption("a usage map is said to be on page " + std::to_string(map.page()) +
                    ", beyond the end of the file");
  }
  DataPageEditor page(pager_.modify(map.page()), map.page(), version_);
  if (map.slot() >= page.slotCount() || page.isDeleted(map.slot())) {
    throwCorruption("page " + std::to_string(map.page()) + " has no usage map in slot " + std::to_string(map.slot()));
  }
  const std::span<std::uint8_t> r = page.row(map.slot());
  if (r.size() < kUsageMapInlineBitmap + 1 ||
      (r[0] != kUsageMapInline && r[0] != kUsageMapReference)) {
    throwCorruption("the usage map at page " + std::to_string(map.page()) + " slot " + std::to_string(map.slot()) +
                    " has an unknown form");
  }
  return r;
}

void UsageMapWriter::addToReference(std::span<std::uint8_t> r, std::uint32_t page) {
  const std::uint32_t perPage = version_.usageMapPagesPerBitmapPage;
  const std::size_t slot = page / perPage;
  const std::size_t slots = (r.size() - kUsageMapReferencePages) / 4;
  if (slot >= slots) {
    throw Error(ErrorCode::Unsupported, "page " + std::to_string(page) + " lies beyond what a usage map can list");
  }
  std::uint8_t* pointer = r.data() + kUsageMapReferencePages + 4 * slot;
  std::uint32_t bitmapPage = loadU32(pointer);
  if (bitmapPage == 0 || !pager_.isPage(bitmapPage) || pager_.page(bitmapPage).type() != kPageTypeUsageBitmap) {
    bitmapPage = pager_.allocatePage();
    formatUsageBitmapPage(pager_.modify(bitmapPage), false);
    storeU32(pointer, bitmapPage);
  }
  setBit(pager_.modify(bitmapPage).subspan(kUsageBitmapPageBitmap), page - slot * perPage, true);
}

void UsageMapWriter::add(RowId map, std::uint32_t page) {
  const std::span<std::uint8_t> r = row(map);
  if (r[0] == kUsageMapReference) {
    addToReference(r, page);
    return;
  }
  const std::uint32_t start = loadU32(r.data() + kUsageMapInlineStart);
  const std::span<std::uint8_t> bitmap = r.subspan(kUsageMapInlineBitmap);
  const std::uint64_t bits = bitmap.size() * 8;
  if (page >= start && page - start < bits) {
    setBit(bitmap, page - start, true);
    return;
  }
  std::vector<std::uint32_t> pages = setPages(bitmap, start);
  pages.push_back(page);
  const auto [lo, hi] = std::minmax_element(pages.begin(), pages.end());
  const std::uint32_t newStart = *lo & ~7u;
  std::fill(bitmap.begin(), bitmap.end(), std::uint8_t{0});
  if (*hi - newStart < bits) {
    // Move the window.
    storeU32(r.data() + kUsageMapInlineStart, newStart);
    for (const std::uint32_t p : pages) setBit(bitmap, p - newStart, true);
    return;
  }
  // The pages lie too far apart for one window: become a reference map.
  std::fill(r.begin(), r.end(), std::uint8_t{0});
  r[0] = kUsageMapReference;
  for (const std::uint32_t p : pages) addToReference(r, p);
}

void UsageMapWriter::remove(RowId map, std::uint32_t page) {
  const std::span<std::uint8_t> r = row(map);
  if (r[0] == kUsageMapInline) {
    const std::uint32_t start = loadU32(r.data() + kUsageMapInlineStart);
    const std::span<std::uint8_t> bitmap = r.subspan(kUsageMapInlineBitmap);
    if (page >= start && page - start < bitmap.size() * 8) setBit(bitmap, page - start, false);
    return;
  }
  const std::uint32_t perPage = version_.usageMapPagesPerBitmapPage;
  const std::size_t slot = page / perPage;
  if (slot >= (r.size() - kUsageMapReferencePages) / 4) return;
  const std::uint32_t bitmapPage = loadU32(r.data() + kUsageMapReferencePages + 4 * slot);
  if (bitmapPage == 0 || !pager_.isPage(bitmapPage) || pager_.page(bitmapPage).type() != kPageTypeUsageBitmap) return;
  setBit(pager_.modify(bitmapPage).subspan(kUsageBitmapPageBitmap), page - slot * perPage, false);
}

bool UsageMapWriter::contains(RowId map, std::uint32_t page) {
  // One bit is read, not the whole map decoded: a statement that frees the
  // long values of many rows asks this once per value.
  try {
    const Page holder = pager_.page(map.page());
    const DataPage data(holder.bytes(), map.page(), version_);
    const ByteSpan r = data.row(map.slot());
    const std::uint8_t type = u8At(r, 0);
    if (type == kUsageMapInline) {
      const std::uint32_t first = u32At(r, kUsageMapInlineStart);
      const ByteSpan bitmap = r.subspan(std::min(r.size(), kUsageMapInlineBitmap));
      if (page < first || (page - first) / 8 >= bitmap.size()) return false;
      return testBit(bitmap, page - first);
    }
    if (type == kUsageMapReference) {
      const std::uint64_t perPage = version_.usageMapPagesPerBitmapPage;
      const std::size_t at = kUsageMapReferencePages + 4 * static_cast<std::size_t>(page / perPage);
      if (at + 4 > r.size()) return false;
      const std::uint32_t mapPage = u32At(r, at);
      if (mapPage == 0 || !pager_.isPage(mapPage)) return false;
      const Page bits = pager_.page(mapPage);
      if (bits.type() != kPageTypeUsageBitmap) {
        throwCorruption("usage-map page " + std::to_string(mapPage) + " has type " + hex(bits.type()) +
                        " instead of " + hex(kPageTypeUsageBitmap));
      }
      const ByteSpan bitmap = bits.bytes().subspan(kUsageBitmapPageBitmap);
      const std::uint64_t bit = page % perPage;
      return bit / 8 < bitmap.size() && testBit(bitmap, bit);
    }
    throwCorruption("unknown usage-map type " + hex(type));
  } catch (const Error& e) {
    throw Error(e.code(), "usage map at page " + std::to_string(map.page()) + " slot " + std::to_string(map.slot()) +
                              ": " + e.what());
  }
}

std::vector<std::uint32_t> UsageMapWriter::highestPages(RowId map, std::size_t count) {
  std::vector<std::uint32_t> pages;
  try {
    const Page holder = pager_.page(map.page());
    const DataPage data(holder.bytes(), map.page(), version_);
    const ByteSpan r = data.row(map.slot());
    const std::uint8_t type = u8At(r, 0);
    if (type == kUsageMapInline) {
      addHighestPages(r.subspan(std::min(r.size(), kUsageMapInlineBitmap)), u32At(r, kUsageMapInlineStart), count,
                      pages);
    } else if (type == kUsageMapReference) {
      for (std::size_t i = (r.size() - kUsageMapReferencePages) / 4; i-- > 0 && pages.size() < count;) {
        const std::uint32_t bitmapPage = loadU32(r.data() + kUsageMapReferencePages + 4 * i);
        if (bitmapPage == 0 || !pager_.isPage(bitmapPage)) continue;
        const Page bitmap = pager_.page(bitmapPage);
        if (bitmap.type() != kPageTypeUsageBitmap) {
          throwCorruption("usage-map page " + std::to_string(bitmapPage) + " has type " + hex(bitmap.type()) +
                          " instead of " + hex(kPageTypeUsageBitmap));
        }
        addHighestPages(bitmap.bytes().subspan(kUsageBitmapPageBitmap),
                        static_cast<std::uint64_t>(i) * version_.usageMapPagesPerBitmapPage, count, pages);
      }
    } else {
      throwCorruption("unknown usage-map type " + hex(type));
    }
  } catch (const Error& e) {
    throw Error(e.code(), "usage map at page " + std::to_string(map.page()) + " slot " + std::to_string(map.slot()) +
                              ": " + e.what());
  }
  return pages;
}

RowId UsageMapWriter::create(std::uint32_t nearPage) {
  std::vector<std::uint8_t> bytes(version_.usageMapRowSize, 0);
  bytes[0] = kUsageMapInline;
  if (nearPage != 0 && pager_.isPage(nearPage)) {
    const Page candidate = pager_.page(nearPage);
    if (candidate.type() == kPageTypeData && loadU32(candidate.bytes().data() + kDataPageOwner) == 0 && nearPage != 1) {
      DataPageEditor page(pager_.modify(nearPage), nearPage, version_);
      if (page.canInsert(bytes.size())) return RowId::of(nearPage, static_cast<std::uint8_t>(page.insert(bytes)));
    }
  }
  const std::uint32_t number = pager_.allocatePage();
  const std::span<std::uint8_t> fresh = pager_.modify(number);
  DataPageEditor::format(fresh, 0, version_);
  DataPageEditor page(fresh, number, version_);
  return RowId::of(number, static_cast<std::uint8_t>(page.insert(bytes)));
}

void UsageMapWriter::destroy(RowId map) {
  const std::span<std::uint8_t> r = row(map);
  if (r[0] == kUsageMapReference) {
    const std::size_t slots = (r.size() - kUsageMapReferencePages) / 4;
    for (std::size_t i = 0; i < slots; ++i) {
      const std::uint32_t bitmapPage = loadU32(r.data() + kUsageMapReferencePages + 4 * i);
      if (bitmapPage > 1 && pager_.isPage(bitmapPage) && pager_.page(bitmapPage).type() == kPageTypeUsageBitmap) {
        pager_.freePage(bitmapPage);
      }
    }
  }
  DataPageEditor page(pager_.modify(map.page()), map.page(), version_);
  page.remove(map.slot());
  if (page.liveRows() == 0 && page.owner() == 0 && map.page() > 1) pager_.freePage(map.page());
}

}  // namespace jet
