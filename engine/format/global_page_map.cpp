// Global page map: allocation, release and growth.
#include "format/global_page_map.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/data_page_writer.h"
#include "format/usage_map_format.h"
#include "format/usage_map_writer.h"
#include "jet/error.h"

namespace jet {

namespace {

// Bytes the inline map grows by at a time (256 pages).
constexpr std::size_t kGrowBytes = 32;

void storeU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
bool testBit(std::span<const std::uint8_t> bitmap, std::uint64_t bit) { return (bitmap[bit / 8] >> (bit % 8) & 1) != 0; }
void setBit(std::span<std::uint8_t> bitmap, std::uint64_t bit, bool on) {
  const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
  bitmap[bit / 8] = static_cast<std::uint8_t>(on ? bitmap[bit / 8] | mask : bitmap[bit / 8] & ~mask);
}

// A page the map calls free may only be taken when it does not look like a live
// structure: pages freed by a writer start with zero bytes, and those Access
// gave up carry stray type bytes. A page that still looks live is left alone.
bool looksUnused(Pager& pager, std::uint32_t page) {
  const std::uint8_t type = pager.page(page).type();
  return type < kPageTypeData || type > kPageTypeUsageBitmap;
}

}  // namespace

std::span<std::uint8_t> GlobalPageMap::row(Pager& pager) {
  if (!pager.isPage(kGlobalPageMapPage)) throwCorruption("the file has no page map (page 1 is missing)");
  DataPageEditor page(pager.modify(kGlobalPageMapPage), kGlobalPageMapPage, version_);
  if (page.slotCount() == 0 || page.isDeleted(0)) throwCorruption("page 1 holds no page map");
  const std::span<std::uint8_t> r = page.row(0);
  if (r.size() < kUsageMapInlineBitmap || (r[0] != kUsageMapInline && r[0] != kUsageMapReference)) {
    throwCorruption("the page map on page 1 has an unknown form");
  }
  return r;
}

std::uint32_t GlobalPageMap::findFree(Pager& pager) {
  const Page holder = pager.page(kGlobalPageMapPage);
  const DataPage map(holder.bytes(), kGlobalPageMapPage, version_);
  const ByteSpan r = map.row(0);
  const std::uint32_t count = pager.pageCount();
  const auto candidate = [&](std::uint64_t page) {
    if (page < noFreeBelow_ || page >= count) return false;
    noFreeBelow_ = static_cast<std::uint32_t>(page) + 1;
    return looksUnused(pager, static_cast<std::uint32_t>(page));
  };
  if (r[0] == kUsageMapInline) {
    const std::uint32_t start = loadU32(r.data() + kUsageMapInlineStart);
    const ByteSpan bitmap = r.subspan(kUsageMapInlineBitmap);
    const std::uint64_t from = noFreeBelow_ > start ? noFreeBelow_ - start : 0;
    for (std::uint64_t bit = from; bit < bitmap.size() * 8 && start + bit < count; ++bit) {
      if (testBit(bitmap, bit) && candidate(start + bit)) return static_cast<std::uint32_t>(start + bit);
    }
  } else {
    const std::uint32_t perPage = version_.usageMapPagesPerBitmapPage;
    const std::size_t slots = (r.size() - kUsageMapReferencePages) / 4;
    for (std::size_t slot = noFreeBelow_ / perPage; slot < slots && slot * perPage < count; ++slot) {
      const std::uint32_t bitmapPage = loadU32(r.data() + kUsageMapReferencePages + 4 * slot);
      if (bitmapPage == 0 || !pager.isPage(bitmapPage)) continue;
      const Page bitmapHolder = pager.page(bitmapPage);
      if (bitmapHolder.type() != kPageTypeUsageBitmap) continue;
      const ByteSpan bitmap = bitmapHolder.bytes().subspan(kUsageBitmapPageBitmap);
      const std::uint64_t base = static_cast<std::uint64_t>(slot) * perPage;
      const std::uint64_t from = noFreeBelow_ > base ? noFreeBelow_ - base : 0;
      for (std::uint64_t bit = from; bit < perPage && base + bit < count; ++bit) {
        if (testBit(bitmap, bit) && candidate(base + bit)) return static_cast<std::uint32_t>(base + bit);
      }
    }
  }
  noFreeBelow_ = count;
  return 0;
}

std::uint32_t GlobalPageMap::allocate(Pager& pager) {
  std::uint32_t page = findFree(pager);
  if (page == 0) page = pager.appendPage();
  mark(pager, page, false);
  return page;
}

void GlobalPageMap::release(Pager& pager, std::uint32_t page) {
  if (page <= kGlobalPageMapPage || !pager.isPage(page)) {
    throw Error(ErrorCode::InvalidArgument, "page " + std::to_string(page) + " cannot be freed");
  }
  // Four zero bytes: the page can never again be taken for a live one.
  std::fill_n(pager.modify(page).begin(), 4, std::uint8_t{0});
  mark(pager, page, true);
  noFreeBelow_ = std::min(noFreeBelow_, page);
}

void GlobalPageMap::mark(Pager& pager, std::uint32_t page, bool free) {
  std::span<std::uint8_t> r = row(pager);
  if (r[0] == kUsageMapInline) {
    const std::uint32_t start = loadU32(r.data() + kUsageMapInlineStart);
    if (page < start) throwCorruption("the page map on page 1 does not cover page " + std::to_string(page));
    if (page - start >= (r.size() - kUsageMapInlineBitmap) * 8) {
      widenInline(pager, page);
      r = row(pager);
    }
    if (r[0] == kUsageMapInline) {
      setBit(r.subspan(kUsageMapInlineBitmap), page - start, free);
      return;
    }
  }
  const std::uint32_t perPage = version_.usageMapPagesPerBitmapPage;
  const std::size_t slot = page / perPage;
  if (slot >= (r.size() - kUsageMapReferencePages) / 4) {
    throw Error(ErrorCode::Unsupported, "page " + std::to_string(page) + " lies beyond what the page map can list");
  }
  std::uint32_t bitmapPage = loadU32(r.data() + kUsageMapReferencePages + 4 * slot);
  if (bitmapPage == 0 || !pager.isPage(bitmapPage) || pager.page(bitmapPage).type() != kPageTypeUsageBitmap) {
    // A new bitmap page: pages of its range that exist count as in use until
    // they are freed, the rest lie beyond the end of the file and are free.
    bitmapPage = pager.appendPage();
    const std::span<std::uint8_t> bytes = pager.modify(bitmapPage);
    formatUsageBitmapPage(bytes, true);
    const std::uint64_t base = static_cast<std::uint64_t>(slot) * perPage;
    for (std::uint64_t bit = 0; bit < perPage && base + bit < pager.pageCount(); ++bit) {
      setBit(bytes.subspan(kUsageBitmapPageBitmap), bit, false);
    }
    storeU32(row(pager).data() + kUsageMapReferencePages + 4 * slot, bitmapPage);
    if (bitmapPage / perPage != slot) mark(pager, bitmapPage, false);
  }
  setBit(pager.modify(bitmapPage).subspan(kUsageBitmapPageBitmap), page - slot * perPage, free);
}

void GlobalPageMap::widenInline(Pager& pager, std::uint32_t page) {
  const std::span<std::uint8_t> r = row(pager);
  const std::uint32_t start = loadU32(r.data() + kUsageMapInlineStart);
  const std::size_t needBits = static_cast<std::size_t>(page - start) + 1;
  const std::size_t bitmapBytes = (needBits + 8 * kGrowBytes - 1) / (8 * kGrowBytes) * kGrowBytes;
  std::vector<std::uint8_t> wider(kUsageMapInlineBitmap + bitmapBytes, 0);
  std::copy(r.begin(), r.end(), wider.begin());
  const std::span<std::uint8_t> bitmap = std::span(wider).subspan(kUsageMapInlineBitmap);
  for (std::uint64_t bit = (r.size() - kUsageMapInlineBitmap) * 8; bit < bitmapBytes * 8; ++bit) {
    setBit(bitmap, bit, start + bit >= pager.pageCount());
  }
  DataPageEditor holder(pager.modify(kGlobalPageMapPage), kGlobalPageMapPage, version_);
  if (holder.canResize(0, wider.size())) {
    holder.replace(0, wider, holder.slotFlags(0));
  } else {
    toReference(pager);
  }
}

void GlobalPageMap::toReference(Pager& pager) {
  const std::span<std::uint8_t> r = row(pager);
  const std::uint32_t start = loadU32(r.data() + kUsageMapInlineStart);
  const std::vector<std::uint8_t> old(r.begin() + kUsageMapInlineBitmap, r.end());
  const std::uint32_t perPage = version_.usageMapPagesPerBitmapPage;

  // Bitmap pages for every range up to the end of the file, the new pages
  // included (they may open a range of their own).
  std::vector<std::uint32_t> bitmapPages;
  while (static_cast<std::uint64_t>(bitmapPages.size()) * perPage < pager.pageCount()) {
    bitmapPages.push_back(pager.appendPage());
  }
  const std::uint32_t count = pager.pageCount();
  for (std::size_t slot = 0; slot < bitmapPages.size(); ++slot) {
    const std::span<std::uint8_t> bytes = pager.modify(bitmapPages[slot]);
    formatUsageBitmapPage(bytes, true);
    const std::span<std::uint8_t> bitmap = bytes.subspan(kUsageBitmapPageBitmap);
    const std::uint64_t base = static_cast<std::uint64_t>(slot) * perPage;
    for (std::uint64_t bit = 0; bit < perPage && base + bit < count; ++bit) {
      const std::uint64_t page = base + bit;
      const bool covered = page >= start && page - start < old.size() * 8;
      setBit(bitmap, bit, covered && testBit(old, page - start));
    }
  }
  for (const std::uint32_t p : bitmapPages) {
    setBit(pager.modify(bitmapPages[p / perPage]).subspan(kUsageBitmapPageBitmap), p % perPage, false);
  }
  std::vector<std::uint8_t> reference(version_.usageMapRowSize, 0);
  reference[0] = kUsageMapReference;
  for (std::size_t slot = 0; slot < bitmapPages.size(); ++slot) {
    storeU32(reference.data() + kUsageMapReferencePages + 4 * slot, bitmapPages[slot]);
  }
  DataPageEditor holder(pager.modify(kGlobalPageMapPage), kGlobalPageMapPage, version_);
  holder.replace(0, reference, holder.slotFlags(0));
}

}  // namespace jet
