// Index pages through the pager.
#include "db/index_page_store.h"

#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {

std::uint32_t PagerIndexPageStore::pageCount() const { return pager_.pageCount(); }

std::span<const std::uint8_t> PagerIndexPageStore::read(std::uint32_t page) {
  held_ = pager_.page(page);
  return held_.bytes();
}

void PagerIndexPageStore::write(std::uint32_t page, std::span<const std::uint8_t> bytes) {
  const std::span<std::uint8_t> target = pager_.modify(page);
  if (bytes.size() != target.size()) {
    throw Error(ErrorCode::InvalidArgument, "An index page image of " + std::to_string(bytes.size()) +
                                                " bytes does not fit page " + std::to_string(page));
  }
  std::memcpy(target.data(), bytes.data(), bytes.size());
  held_ = Page();
}

}  // namespace jet
