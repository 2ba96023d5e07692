// The global page map: row 0 of page 1, a usage map in which a set bit means
// the page is not in use. It decides which pages the writer may take: a free
// page inside the file when one is marked so (and does not look like a live
// page), else a new page at the end. As the file grows, the inline map is
// widened (as the engine does), and turned into a reference map with bitmap
// pages when page 1 has no room left for it.
#pragma once

#include <cstdint>

#include "format/format_version.h"
#include "storage/pager.h"

namespace jet {

inline constexpr std::uint32_t kGlobalPageMapPage = 1;

class GlobalPageMap final : public PageAllocator {
 public:
  explicit GlobalPageMap(const FormatVersion& version) : version_(version) {}

  std::uint32_t allocate(Pager& pager) override;
  void release(Pager& pager, std::uint32_t page) override;
  void reset() override { noFreeBelow_ = 2; }

 private:
  // The map row, writable.
  std::span<std::uint8_t> row(Pager& pager);
  // A page marked free inside the file, or 0.
  std::uint32_t findFree(Pager& pager);
  // Sets the page's bit (free) or clears it (in use), widening the map first
  // when it does not reach the page.
  void mark(Pager& pager, std::uint32_t page, bool free);
  void widenInline(Pager& pager, std::uint32_t page);
  void toReference(Pager& pager);

  const FormatVersion& version_;
  std::uint32_t noFreeBelow_ = 2;  // pages below are known to be in use
};

}  // namespace jet
