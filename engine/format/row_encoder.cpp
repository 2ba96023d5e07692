// Row encoding, both layouts.
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

// Jet 3: the back part after the variable data (entries, jump table, slot
// count) for slot starts `starts` (n + 1 of them, the last the end of the
// data) and a null mask of `maskSize` bytes. Jump bytes are chosen so that the
// row's length L keeps (L - 1) / 256 of them, dummies past the real ones.
void appendJet3Offsets(const std::vector<std::uint16_t>& starts, std::size_t maskSize,
                       std::vector<std::uint8_t>& out) {
  const std::size_t n = starts.size() - 1;
  if (n > 0xFF) {
    throwCorruption("a row of the older layout holds at most 255 variable columns, not " + std::to_string(n));
  }
  const std::size_t real = starts[n] / 256;  // boundaries the offsets cross
  std::size_t jumps = real;
  while ((out.size() + (n + 1) + jumps + 1 + maskSize - 1) / 256 > jumps) ++jumps;
  for (std::size_t i = n + 1; i-- > 0;) out.push_back(static_cast<std::uint8_t>(starts[i] & 0xFF));
  // Jump bytes from the one furthest from the slot count (the highest) down.
  for (std::size_t k = jumps; k-- > 0;) {
    std::uint8_t value = kRowDummyJump;
    if (k < real) {
      std::size_t i = 0;
      while (starts[i] < 256 * (k + 1)) ++i;
      value = static_cast<std::uint8_t>(i);
    }
    out.push_back(value);
  }
  out.push_back(static_cast<std::uint8_t>(n));
}

}  // namespace

std::size_t minimumRowSize(const RowLayout& layout) {
  const std::size_t mask = (layout.columnCount + 7u) / 8u;
  const std::size_t slots = layout.varSlots;
  const std::size_t table =
      slots == 0 ? 0 : layout.countSize * (slots + 1) + layout.countSize;  // entries and the slot count
  const std::size_t size = layout.countSize + layout.fixedSize + table + mask;
  if (slots == 0 || layout.countSize == 2) return size;
  std::size_t jumps = 0;
  while ((size + jumps - 1) / 256 > jumps) ++jumps;
  return size + jumps;
}

void encodeRow(const RowLayout& layout, std::span<const RowField> fields, std::vector<std::uint8_t>& out) {
  const std::size_t maskSize = (layout.columnCount + 7u) / 8u;
  const std::size_t fixedArea = layout.countSize;
  const bool wide = layout.countSize == 2;
  std::vector<const RowField*> bySlot(layout.varSlots, nullptr);

  if (!wide && layout.columnCount > 0xFF) {
    throwCorruption("a row of the older layout holds at most 255 columns, not " +
                    std::to_string(layout.columnCount));
  }
  out.assign(fixedArea + layout.fixedSize, 0);
  if (wide) {
    storeU16(out.data() + kRowColumnCount, layout.columnCount);
  } else {
    out[kRowColumnCount] = static_cast<std::uint8_t>(layout.columnCount);
  }
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
      std::memcpy(out.data() + fixedArea + f.fixedOffset, f.bytes.data(), f.bytes.size());
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
    if (wide) {
      // Going backwards from the mask: slot count, then slot 0..n-1 starts, then the end.
      std::size_t pos = out.size();
      out.resize(pos + 2 * (layout.varSlots + 2u));
      for (std::size_t s = layout.varSlots + 1; s-- > 0;) {
        storeU16(out.data() + pos, starts[s]);
        pos += 2;
      }
      storeU16(out.data() + pos, layout.varSlots);
    } else {
      appendJet3Offsets(starts, maskSize, out);
    }
  }
  const std::size_t mask = out.size();
  out.resize(mask + maskSize, 0);
  for (const RowField& f : fields) {
    if (f.present) out[mask + f.number / 8] |= static_cast<std::uint8_t>(1u << (f.number % 8));
  }
}

}  // namespace jet
