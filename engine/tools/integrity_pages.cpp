// Data page layout checks and usage-map reading for the integrity checker.
#include "tools/integrity_pages.h"

#include <optional>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/usage_map_format.h"
#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

namespace {

// Page 1 holds the file's own page map and names itself (1) as its owner.
constexpr std::uint32_t kPageMapPage = 1;

void addBits(ByteSpan bitmap, std::uint64_t firstPage, std::vector<std::uint32_t>& out) {
  for (std::size_t i = 0; i < bitmap.size(); ++i) {
    for (unsigned bit = 0; bit < 8; ++bit) {
      if ((bitmap[i] >> bit & 1) == 0) continue;
      const std::uint64_t page = firstPage + i * 8 + bit;
      if (page > 0xFFFFFFFFu) return;
      out.push_back(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

bool checkDataPageLayout(const DataPage& page, ByteSpan bytes, const FormatVersion& version,
                         ProblemSink& sink, ProblemArea area, const std::string& what) {
  const unsigned slots = page.slotCount();
  // Row locators hold one byte of slot number.
  if (slots > 256) {
    sink.error(area, what + " claims " + std::to_string(slots) + " row slots; only 256 can be addressed");
    return false;
  }
  const std::size_t rowArea = version.dataSlotTable + 2 * static_cast<std::size_t>(slots);
  std::size_t end = bytes.size();
  for (unsigned slot = 0; slot < slots; ++slot) {
    const std::size_t start = page.slotWord(slot) & kSlotOffsetMask;
    if (start < rowArea || start > end) {
      sink.error(area, what + ": row slot " + std::to_string(slot) + " starts at byte " +
                           std::to_string(start) + ", outside the space between the slot table (ending at " +
                           std::to_string(rowArea) + ") and the previous row (starting at " +
                           std::to_string(end) + ")");
      return false;
    }
    end = start;
  }
  const std::size_t actual = end - rowArea;
  const std::size_t stored = loadU16(bytes.data() + kDataPageFreeSpace);
  if (stored > actual) {
    sink.error(area, what + " records " + std::to_string(stored) + " bytes free but has only " +
                         std::to_string(actual) + ": a writer trusting it would overwrite rows");
  } else if (stored < actual) {
    sink.oddity(
        area, what + " records " + std::to_string(stored) + " bytes free but has " + std::to_string(actual));
  }
  return true;
}

UsageMapChecker::UsageMapChecker(Pager& pager, const FormatVersion& version, PageLedger& ledger,
                                 ProblemSink& sink)
    : pager_(pager),
      version_(version),
      ledger_(ledger),
      sink_(sink),
      mapPagesOwner_(ledger.addOwner("the usage maps")) {}

CheckedMap UsageMapChecker::read(RowId where, PageLedger::OwnerId owner, const std::string& what) {
  CheckedMap map;
  if (where.value == 0) return map;
  map.present = true;
  const std::uint32_t number = where.page();
  const std::string name = what + " of " + ledger_.describe(owner);
  const std::string at =
      name + " (page " + std::to_string(number) + " slot " + std::to_string(where.slot()) + ")";
  if (!pager_.isPage(number)) {
    sink_.error(ProblemArea::UsageMap, at + " lies beyond the end of the file");
    return map;
  }
  const Page page = pager_.page(number);
  ByteSpan row;
  try {
    const DataPage data(page.bytes(), number, version_);
    if (data.owner() != 0 && !(number == kPageMapPage && data.owner() == kPageMapPage)) {
      sink_.error(
          ProblemArea::UsageMap,
          at + " is on a page that does not hold usage maps (its owner field is " + hex(data.owner()) + ")");
      return map;
    }
    if (!ledger_.claim(number, PageRole::MapRows, mapPagesOwner_, "the row of " + name + " is on"))
      return map;
    mapPages_.insert(number);
    row = data.row(where.slot());
    if (data.isDeleted(where.slot())) {
      sink_.error(ProblemArea::UsageMap, at + " is a deleted row");
      return map;
    }
  } catch (const Error& e) {
    if (e.code() != ErrorCode::Corruption) throw;
    sink_.error(ProblemArea::UsageMap, at + " cannot be read: " + e.what());
    return map;
  }

  if (row.empty()) {
    sink_.error(ProblemArea::UsageMap, at + " is an empty row");
    return map;
  }
  if (row[0] == kUsageMapInline) {
    if (row.size() < kUsageMapInlineBitmap) {
      sink_.error(ProblemArea::UsageMap,
                  at + " is too short (" + std::to_string(row.size()) + " bytes) for a map");
      return map;
    }
    const std::uint64_t first = loadU32(row.data() + kUsageMapInlineStart);
    const ByteSpan bitmap = row.subspan(kUsageMapInlineBitmap);
    addBits(bitmap, first, map.pages);
    map.coverage.emplace_back(first, first + bitmap.size() * 8);
  } else if (row[0] == kUsageMapReference) {
    const std::uint64_t span = version_.usageMapPagesPerBitmapPage;
    const std::size_t count = (row.size() - kUsageMapReferencePages) / 4;
    // Bitmap pages belong to the map itself, not to the structure it lists pages of.
    std::optional<PageLedger::OwnerId> bitmapOwner;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t bitmapPage = loadU32(row.data() + kUsageMapReferencePages + 4 * i);
      if (bitmapPage == 0) continue;
      const std::string slot = "bitmap slot " + std::to_string(i) + " names";
      if (!pager_.isPage(bitmapPage)) {
        sink_.oddity(ProblemArea::UsageMap, at + ": bitmap slot " + std::to_string(i) + " holds " +
                                                std::to_string(bitmapPage) +
                                                ", not a page of the file (ignored)");
        continue;
      }
      const Page bits = pager_.page(bitmapPage);
      if (bits.type() != kPageTypeUsageBitmap) {
        sink_.error(ProblemArea::UsageMap,
                    at + ": bitmap slot " + std::to_string(i) + " names page " + std::to_string(bitmapPage) +
                        ", which is not a usage bitmap page (type " + hex(bits.type()) + ")");
        continue;
      }
      if (!bitmapOwner) bitmapOwner = ledger_.addOwner(name);
      if (!ledger_.claim(bitmapPage, PageRole::MapBitmap, *bitmapOwner, slot)) continue;
      addBits(bits.bytes().subspan(kUsageBitmapPageBitmap), i * span, map.pages);
      map.coverage.emplace_back(i * span, (i + 1) * span);
    }
  } else {
    sink_.error(ProblemArea::UsageMap, at + " has the unknown map type " + hex(row[0]));
    return map;
  }
  map.readable = true;
  return map;
}

void UsageMapChecker::checkMapPages() {
  for (const std::uint32_t number : mapPages_) {
    const Page page = pager_.page(number);
    const DataPage data(page.bytes(), number, version_);
    checkDataPageLayout(data, page.bytes(), version_, sink_, ProblemArea::UsageMap,
                        "usage-map page " + std::to_string(number));
  }
}

}  // namespace jet
