// Jet 4 byte builders for codec tests.
#include "support/page_images.h"

#include "storage/memory_file.h"

namespace qbtest {

void putU16(Bytes& b, std::size_t offset, std::uint16_t v) {
  b[offset] = static_cast<std::uint8_t>(v);
  b[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(Bytes& b, std::size_t offset, std::uint32_t v) {
  putU16(b, offset, static_cast<std::uint16_t>(v));
  putU16(b, offset + 2, static_cast<std::uint16_t>(v >> 16));
}

Bytes u16Bytes(std::uint16_t v) {
  Bytes b(2);
  putU16(b, 0, v);
  return b;
}

Bytes u32Bytes(std::uint32_t v) {
  Bytes b(4);
  putU32(b, 0, v);
  return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes rowPointer(std::uint32_t page, std::uint8_t slot) {
  return u32Bytes(page << 8 | slot);
}

Bytes dataPage(std::uint32_t owner, const std::vector<Bytes>& rows, const std::vector<std::uint16_t>& flags) {
  Bytes page(kPageSize, 0);
  page[0] = 0x01;
  page[1] = 0x01;
  putU32(page, 4, owner);
  putU16(page, 12, static_cast<std::uint16_t>(rows.size()));
  std::size_t end = kPageSize;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::size_t start = end - rows[i].size();
    std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<std::ptrdiff_t>(start));
    const std::uint16_t flag = i < flags.size() ? flags[i] : 0;
    putU16(page, 14 + 2 * i, static_cast<std::uint16_t>(start | flag));
    end = start;
  }
  putU16(page, 2, static_cast<std::uint16_t>(end - (14 + 2 * rows.size())));
  return page;
}

Bytes jet4Row(std::uint16_t columnCount, const Bytes& fixed,
              const std::vector<std::optional<Bytes>>& variable, const std::vector<unsigned>& present,
              bool hasVariableColumns) {
  Bytes row = concat({u16Bytes(columnCount), fixed});
  if (hasVariableColumns) {
    std::vector<std::uint16_t> starts;
    for (const auto& v : variable) {
      starts.push_back(static_cast<std::uint16_t>(row.size()));
      if (v) row.insert(row.end(), v->begin(), v->end());
    }
    const auto end = static_cast<std::uint16_t>(row.size());
    row = concat({row, u16Bytes(end)});
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) row = concat({row, u16Bytes(*it)});
    row = concat({row, u16Bytes(static_cast<std::uint16_t>(variable.size()))});
  }
  Bytes mask((columnCount + 7) / 8, 0);
  for (unsigned c : present) mask[c / 8] = static_cast<std::uint8_t>(mask[c / 8] | 1u << (c % 8));
  return concat({row, mask});
}

std::unique_ptr<jet::Pager> pagerOver(std::vector<Bytes> pages, std::size_t cachePages) {
  Bytes file;
  for (Bytes& p : pages) {
    p.resize(kPageSize, 0);
    file.insert(file.end(), p.begin(), p.end());
  }
  return std::make_unique<jet::Pager>(std::make_unique<jet::MemoryFile>(std::move(file), "test.mdb"),
                                      kPageSize, cachePages);
}

}  // namespace qbtest
