// Index pages through the pager.
#include "db/index_page_store.h"

#include "jet/error.h"

namespace jet {

std::uint32_t PagerIndexPageStore::pageCount() const { return pager_.pageCount(); }

std::span<const std::uint8_t> PagerIndexPageStore::read(std::uint32_t page) {
  held_ = pager_.page(page);
  return held_.bytes();
}

void PagerIndexPageStore::write(std::uint32_t, std::span<const std::uint8_t>) {
  throw Error(ErrorCode::Unsupported, "Writing index pages is not available in this build.");
}

}  // namespace jet
