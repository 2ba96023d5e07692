// Long value writing and freeing.
#include "format/long_value_writer.h"

#include <algorithm>
#include <unordered_set>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/data_page_writer.h"
#include "format/long_value.h"
#include "format/long_value_format.h"
#include "format/usage_map_writer.h"
#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

namespace {

// A page with less room than this leaves the column's pages-with-room map.
constexpr std::size_t kNearlyFull = 64;
// Pages of the pages-with-room map looked at before a new page is started.
constexpr std::size_t kCandidates = 8;

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::size_t LongValueWriter::inlineSize(std::size_t length) { return kLongValueReferenceSize + length; }
std::size_t LongValueWriter::referenceSize() { return kLongValueReferenceSize; }

bool LongValueWriter::hasRoom(std::uint32_t page, std::size_t length, bool& nearlyFull) {
  nearlyFull = false;
  if (page == 0 || !pager_.isPage(page)) return false;
  const Page p = pager_.page(page);
  if (p.type() != kPageTypeData || loadU32(p.bytes().data() + kDataPageOwner) != kLongValueOwner) return false;
  const DataPage view(p.bytes(), page, version_);
  const std::size_t free = loadU16(p.bytes().data() + kDataPageFreeSpace);
  nearlyFull = free < kNearlyFull || view.slotCount() >= kMaxSlotsPerPage;
  return view.slotCount() < kMaxSlotsPerPage && length + 2 <= free;
}

RowId LongValueWriter::place(const LongValueColumnMaps& maps, ByteSpan row, std::uint32_t& hint) {
  UsageMapWriter mapWriter(pager_, version_);
  bool nearlyFull = false;
  std::uint32_t target = 0;
  if (hasRoom(hint, row.size(), nearlyFull)) {
    target = hint;
  } else {
    for (const std::uint32_t candidate : mapWriter.highestPages(maps.freePages, kCandidates)) {
      if (hasRoom(candidate, row.size(), nearlyFull)) {
        target = candidate;
        break;
      }
      if (nearlyFull) mapWriter.remove(maps.freePages, candidate);
    }
  }
  if (target == 0) {
    target = pager_.allocatePage();
    DataPageEditor::format(pager_.modify(target), kLongValueOwner, version_);
    mapWriter.add(maps.ownedPages, target);
    mapWriter.add(maps.freePages, target);
  }
  DataPageEditor page(pager_.modify(target), target, version_);
  const unsigned slot = page.insert(row);
  if (page.freeSpace() < kNearlyFull) mapWriter.remove(maps.freePages, target);
  hint = target;
  return RowId::of(target, static_cast<std::uint8_t>(slot));
}

void LongValueWriter::store(const LongValueColumnMaps& maps, ByteSpan data, bool inlined,
                            std::vector<std::uint8_t>& out, std::uint32_t& hint) {
  if (data.size() > kLongValueLengthMask) {
    throw Error(ErrorCode::InvalidArgument,
                "a long value of " + std::to_string(data.size()) + " bytes is longer than a field can hold");
  }
  const auto length = static_cast<std::uint32_t>(data.size());
  if (inlined) {
    appendU32(out, length | kLongValueInline);
    appendU32(out, 0);
    appendU32(out, 0);
    out.insert(out.end(), data.begin(), data.end());
    return;
  }
  const std::size_t link = version_.longValueMaxLink;
  if (data.size() <= link + kLongValueLinkHeader) {
    const RowId at = place(maps, data, hint);
    appendU32(out, length | kLongValueSingleRow);
    appendU32(out, at.value);
    appendU32(out, 0);
    return;
  }
  // A chain, written from its last link back, so each link knows the next.
  std::vector<std::uint8_t> row;
  RowId next{0};
  const std::size_t links = (data.size() + link - 1) / link;
  for (std::size_t i = links; i-- > 0;) {
    const std::size_t begin = i * link;
    const std::size_t end = std::min(data.size(), begin + link);
    row.clear();
    appendU32(row, next.value);
    row.insert(row.end(), data.begin() + static_cast<std::ptrdiff_t>(begin),
               data.begin() + static_cast<std::ptrdiff_t>(end));
    next = place(maps, row, hint);
  }
  appendU32(out, length | kLongValueChain);
  appendU32(out, next.value);
  appendU32(out, 0);
}

void LongValueWriter::deleteRow(const LongValueColumnMaps* maps, RowId id) {
  DataPageEditor page(pager_.modify(id.page()), id.page(), version_);
  page.remove(id.slot());
  UsageMapWriter mapWriter(pager_, version_);
  // Only pages this column lists are given back or offered for new values; a
  // page the maps do not know stays as it is.
  if (!maps || !mapWriter.contains(maps->ownedPages, id.page())) return;
  if (page.liveRows() == 0) {
    mapWriter.remove(maps->ownedPages, id.page());
    mapWriter.remove(maps->freePages, id.page());
    pager_.freePage(id.page());
  } else if (page.freeSpace() >= kNearlyFull) {
    mapWriter.add(maps->freePages, id.page());
  }
}

void LongValueWriter::release(const LongValueColumnMaps* maps, ByteSpan reference) {
  // Collect the links first (reading), then delete them.
  for (const RowId id : rowsOf(reference)) deleteRow(maps, id);
}

std::vector<RowId> LongValueWriter::rowsOf(ByteSpan reference) {
  const LongValueReference ref = parseLongValueReference(reference);
  std::vector<RowId> rows;
  if (ref.kind == LongValueKind::Inline) return rows;
  std::unordered_set<std::uint32_t> seen;
  RowId link = ref.first;
  std::size_t remaining = ref.length;
  const std::size_t maxLinks = ref.length / version_.longValueMaxLink + 2;
  while (link.value != 0 && rows.size() < maxLinks && seen.insert(link.value).second) {
    if (!pager_.isPage(link.page())) break;
    const Page holder = pager_.page(link.page());
    if (holder.type() != kPageTypeData || loadU32(holder.bytes().data() + kDataPageOwner) != kLongValueOwner) break;
    const DataPage page(holder.bytes(), link.page(), version_);
    if (link.slot() >= page.slotCount() || page.isDeleted(link.slot())) break;
    rows.push_back(link);
    if (ref.kind == LongValueKind::SingleRow) break;
    const ByteSpan row = page.row(link.slot());
    if (row.size() < kLongValueLinkHeader) break;
    const std::size_t data = row.size() - kLongValueLinkHeader;
    if (data >= remaining) break;
    remaining -= data;
    link = RowId{loadU32(row.data())};
  }
  return rows;
}

}  // namespace jet
