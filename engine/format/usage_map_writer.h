// Keeping usage maps: adding and removing pages of a table, an index or a
// long-value column, creating map rows for new tables and indexes, and
// destroying them when a table or index goes. An inline map whose window cannot
// take a new page moves its window, or becomes a reference map (bitmap pages of
// type 0x05) when the pages lie too far apart, as the format allows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/format_version.h"
#include "jet/table.h"

namespace jet {

class Pager;

class UsageMapWriter {
 public:
  UsageMapWriter(Pager& pager, const FormatVersion& version) : pager_(pager), version_(version) {}

  // Lists `page` in the map whose row is at `map`.
  void add(RowId map, std::uint32_t page);
  // Takes `page` out of the map (nothing happens when it is not listed).
  void remove(RowId map, std::uint32_t page);
  bool contains(RowId map, std::uint32_t page);
  // The highest `count` pages the map lists, highest first, read from the end
  // of the map: the pages a writer offers new rows first, found without
  // decoding the whole map (which grows with the table).
  std::vector<std::uint32_t> highestPages(RowId map, std::size_t count);

  // A new, empty inline map row, on `nearPage` when that is a usage-map page
  // with room, else on a new usage-map page.
  RowId create(std::uint32_t nearPage = 0);
  // Deletes a map row and frees its bitmap pages; a usage-map page left without
  // rows is freed too.
  void destroy(RowId map);

 private:
  // The map row's bytes, writable; throws Corruption when `map` is not a map row.
  std::span<std::uint8_t> row(RowId map);
  void addToReference(std::span<std::uint8_t> row, std::uint32_t page);

  Pager& pager_;
  const FormatVersion& version_;
};

// Writes an empty bitmap page (type 0x05) whose bits are all `fill`.
void formatUsageBitmapPage(std::span<std::uint8_t> page, bool fill);

}  // namespace jet
