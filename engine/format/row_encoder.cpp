// Row encoding.
#include "format/row_encoder.h"

#include <algorithm>
#include <cstring>

#include "format/row_format.h"

namespace jet {

namespace {

void storeU16(std::uint8_t* p, std::size_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

std::size_t minimumRowSize(const RowLayout& layout) {
  const std::size_t mask = (layout.columnCount + 7u) / 8u;
  const std::size_t table = layout.varSlots == 0 ? 0 : 2 * (static_cast<std::size_t>(layout.varSlots) + 2);
  return kRowFixedArea + layout.fixedSize + table + mask;
}

void encodeRow(const RowLayout& layout, std::span<const RowField> fields, std::vector<std::uint8_t>& out) {
  const std::size_t maskSize = (layout.columnCount + 7u) / 8u;
  std::vector<const RowField*> bySlot(layout.varSlots, nullptr);

  out.assign(kRowFixedArea + layout.fixedSize, 0);
  storeU16(out.data() + kRowColumnCount, layout.columnCount);
  for (const RowField& f : fields) {
    if (f.number >= layout.columnCount) {
      throwCorruption("column " + std::to_string(f.number) + " lies beyond the " + std::to_string(layout.columnCount) +
                      " columns rows of the table carry");
    }
    if (f.boolean || !f.present) continue;
    if (f.fixed) {
      if (f.fixedOffset + f.bytes.size() > layout.fixedSize) {
        throwCorruption("a fixed column at offset " + std::to_string(f.fixedOffset) +
                        " lies beyond the row's fixed area");
      }
      std::memcpy(out.data() + kRowFixedArea + f.fixedOffset, f.bytes.data(), f.bytes.size());
    } else {
      if (f.varSlot >= layout.varSlots) {
        throwCorruption("variable column slot " + std::to_string(f.varSlot) + " lies beyond the " +
                        std::to_string(layout.varSlots) + " slots rows of the table carry");
      }
      bySlot[f.varSlot] = &f;
    }
  }
  if (layout.varSlots > 0) {
    std::vector<std::uint16_t> starts(layout.varSlots + 1u);
    for (std::size_t s = 0; s < layout.varSlots; ++s) {
      starts[s] = static_cast<std::uint16_t>(out.size());
      if (bySlot[s]) out.insert(out.end(), bySlot[s]->bytes.begin(), bySlot[s]->bytes.end());
    }
    starts[layout.varSlots] = static_cast<std::uint16_t>(out.size());
    // Going backwards from the mask: slot count, then slot 0..n-1 starts, then the end.
    std::size_t pos = out.size();
    out.resize(pos + 2 * (layout.varSlots + 2u));
    for (std::size_t s = layout.varSlots + 1; s-- > 0;) {
      storeU16(out.data() + pos, starts[s]);
      pos += 2;
    }
    storeU16(out.data() + pos, layout.varSlots);
  }
  const std::size_t mask = out.size();
  out.resize(mask + maskSize, 0);
  for (const RowField& f : fields) {
    if (f.present) out[mask + f.number / 8] |= static_cast<std::uint8_t>(1u << (f.number % 8));
  }
}

}  // namespace jet
