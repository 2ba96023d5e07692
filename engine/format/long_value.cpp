// Long value reading.
#include "format/long_value.h"

#include <algorithm>

#include "format/data_page.h"
#include "format/long_value_format.h"
#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

LongValueReference parseLongValueReference(ByteSpan field) {
  if (field.size() < kLongValueReferenceSize) {
    throwCorruption("a long-value reference needs " + std::to_string(kLongValueReferenceSize) +
                    " bytes but has " + std::to_string(field.size()));
  }
  const std::uint32_t word = loadU32(field.data());
  LongValueReference r;
  r.length = word & kLongValueLengthMask;
  r.first = RowId{loadU32(field.data() + 4)};
  switch (word & kLongValueKindMask) {
    case kLongValueInline:
      r.kind = LongValueKind::Inline;
      if (field.size() - kLongValueReferenceSize < r.length) {
        throwCorruption("an inline long value of " + std::to_string(r.length) + " bytes has only " +
                        std::to_string(field.size() - kLongValueReferenceSize) + " in the row");
      }
      r.inlineData = field.subspan(kLongValueReferenceSize, r.length);
      break;
    case kLongValueSingleRow:
      r.kind = LongValueKind::SingleRow;
      break;
    case kLongValueChain:
      r.kind = LongValueKind::Chain;
      break;
    default:
      throwCorruption("a long-value reference has the unknown storage kind " + hex(word >> 30));
  }
  return r;
}

ByteSpan LongValueReader::rowOf(RowId id, Page& holder) {
  if (!pager_.isPage(id.page())) {
    throwCorruption("a long-value pointer names page " + std::to_string(id.page()) +
                    ", beyond the end of the file");
  }
  holder = pager_.page(id.page());
  const DataPage page(holder.bytes(), id.page(), version_);
  return page.row(id.slot());
}

void LongValueReader::read(ByteSpan field, std::vector<std::uint8_t>& out) {
  const LongValueReference ref = parseLongValueReference(field);
  out.clear();
  if (ref.kind == LongValueKind::Inline) {
    out.assign(ref.inlineData.begin(), ref.inlineData.end());
    return;
  }
  if (static_cast<std::uint64_t>(ref.length) >
      static_cast<std::uint64_t>(pager_.pageCount()) * pager_.pageSize()) {
    throwCorruption("a long value claims " + std::to_string(ref.length) + " bytes, more than the whole file");
  }
  Page holder;
  if (ref.kind == LongValueKind::SingleRow) {
    const ByteSpan row = rowOf(ref.first, holder);
    if (row.size() < ref.length) {
      throwCorruption("a long value of " + std::to_string(ref.length) + " bytes has only " +
                      std::to_string(row.size()) + " in its row (page " + std::to_string(ref.first.page()) +
                      " slot " + std::to_string(ref.first.slot()) + ")");
    }
    out.assign(row.begin(), row.begin() + ref.length);
    return;
  }
  out.reserve(ref.length);
  seen_.clear();
  RowId link = ref.first;
  while (out.size() < ref.length) {
    if (link.value == 0) {
      throwCorruption("a long-value chain ends after " + std::to_string(out.size()) + " of its " +
                      std::to_string(ref.length) + " bytes");
    }
    if (!seen_.insert(link.value).second) {
      throwCorruption("a long-value chain loops back to page " + std::to_string(link.page()) + " slot " +
                      std::to_string(link.slot()));
    }
    const ByteSpan row = rowOf(link, holder);
    if (row.size() < kLongValueLinkHeader) {
      throwCorruption("a long-value chain link (page " + std::to_string(link.page()) + " slot " +
                      std::to_string(link.slot()) + ") is too short to hold its pointer");
    }
    const std::size_t take =
        std::min<std::size_t>(row.size() - kLongValueLinkHeader, ref.length - out.size());
    out.insert(out.end(), row.begin() + kLongValueLinkHeader, row.begin() + kLongValueLinkHeader + take);
    link = RowId{loadU32(row.data())};
  }
}

}  // namespace jet
