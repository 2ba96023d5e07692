// Usage map decoding.
#include "format/usage_map.h"

#include <algorithm>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/usage_map_format.h"
#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

namespace {

void addBits(ByteSpan bitmap, std::uint64_t firstPage, std::vector<std::uint32_t>& out) {
  for (std::size_t i = 0; i < bitmap.size(); ++i) {
    std::uint8_t byte = bitmap[i];
    while (byte != 0) {
      const int bit = __builtin_ctz(byte);
      byte = static_cast<std::uint8_t>(byte & (byte - 1));
      const std::uint64_t page = firstPage + i * 8 + static_cast<unsigned>(bit);
      if (page > 0xFFFFFFFFu) return;  // beyond any page number a pointer can hold
      out.push_back(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<std::uint32_t> decodeUsageMap(ByteSpan row, Pager& pager, const FormatVersion& version) {
  std::vector<std::uint32_t> pages;
  const std::uint8_t type = u8At(row, 0);
  if (type == kUsageMapInline) {
    const std::uint32_t first = u32At(row, kUsageMapInlineStart);
    addBits(row.subspan(std::min(row.size(), kUsageMapInlineBitmap)), first, pages);
  } else if (type == kUsageMapReference) {
    const std::size_t count = (row.size() - kUsageMapReferencePages) / 4;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t mapPage = loadU32(row.data() + kUsageMapReferencePages + 4 * i);
      if (mapPage == 0 || !pager.isPage(mapPage)) continue;
      const Page page = pager.page(mapPage);
      if (page.type() != kPageTypeUsageBitmap) {
        throwCorruption("usage-map page " + std::to_string(mapPage) + " has type " + hex(page.type()) +
                        " instead of " + hex(kPageTypeUsageBitmap));
      }
      addBits(page.bytes().subspan(kUsageBitmapPageBitmap),
              static_cast<std::uint64_t>(i) * version.usageMapPagesPerBitmapPage, pages);
    }
  } else {
    throwCorruption("unknown usage-map type " + hex(type));
  }
  return pages;
}

std::vector<std::uint32_t> readUsageMap(Pager& pager, RowId where, const FormatVersion& version) {
  try {
    const Page page = pager.page(where.page());
    const DataPage data(page.bytes(), where.page(), version);
    return decodeUsageMap(data.row(where.slot()), pager, version);
  } catch (const Error& e) {
    throw Error(e.code(), "usage map at page " + std::to_string(where.page()) + " slot " +
                              std::to_string(where.slot()) + ": " + e.what());
  }
}

}  // namespace jet
