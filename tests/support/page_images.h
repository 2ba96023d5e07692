// Byte-level builders for Jet 4 structures, so codec tests can state exactly
// what lies on a page: data pages with rows and slot flags, rows with their
// null mask and variable-offset table, and a pager over a list of pages.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "storage/pager.h"

namespace qbtest {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kPageSize = 4096;

void putU16(Bytes& b, std::size_t offset, std::uint16_t v);
void putU32(Bytes& b, std::size_t offset, std::uint32_t v);
Bytes u16Bytes(std::uint16_t v);
Bytes u32Bytes(std::uint32_t v);
Bytes concat(std::initializer_list<Bytes> parts);

// A row pointer as Jet stores it: slot byte, then the 24-bit page number.
Bytes rowPointer(std::uint32_t page, std::uint8_t slot);

// A data page owned by `owner` holding `rows` in slot order (row 0 at the end
// of the page); `flags[i]` is added to slot i's offset word.
Bytes dataPage(std::uint32_t owner, const std::vector<Bytes>& rows,
               const std::vector<std::uint16_t>& flags = {});

// A Jet 4 row: column count, the fixed area, the variable values in slot order
// (nullopt stores an empty slot) and a null mask with a bit set for every
// column number in `present`. Without variable columns the row has no
// variable-offset table.
Bytes jet4Row(std::uint16_t columnCount, const Bytes& fixed,
              const std::vector<std::optional<Bytes>>& variable, const std::vector<unsigned>& present,
              bool hasVariableColumns = true);

// A pager over in-memory pages (page 0 first). Short pages are padded with zeros.
std::unique_ptr<jet::Pager> pagerOver(std::vector<Bytes> pages, std::size_t cachePages = 16);

}  // namespace qbtest
