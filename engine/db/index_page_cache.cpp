// Decoded index pages, checked against the pager's bytes before each reuse.
#include "db/index_page_cache.h"

#include <cstring>
#include <string>

#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

const IndexPageFormat& indexPageFormatFor(const FormatVersion& version) {
  return version.format == FileFormat::Jet3 ? kJet3IndexPage : kJet4IndexPage;
}

IndexPageCache::IndexPageCache(Pager& pager, const IndexPageFormat& format, std::size_t capacity)
    : pager_(pager), format_(format), capacity_(capacity < 8 ? 8 : capacity) {}

IndexPageCache::Slot& IndexPageCache::remember(std::shared_ptr<CachedIndexPage> page) {
  const std::uint32_t number = page->number;
  auto found = slots_.find(number);
  if (found != slots_.end()) {
    found->second.page = std::move(page);
    lru_.splice(lru_.begin(), lru_, found->second.lru);
    return found->second;
  }
  while (slots_.size() >= capacity_) {
    slots_.erase(lru_.back());
    lru_.pop_back();
  }
  lru_.push_front(number);
  return slots_.emplace(number, Slot{std::move(page), lru_.begin()}).first->second;
}

std::shared_ptr<CachedIndexPage> IndexPageCache::load(std::uint32_t number) {
  if (number == 0 || !pager_.isPage(number)) {
    throw Error(ErrorCode::Corruption, "Index page " + std::to_string(number) + " lies outside the file (" +
                                           std::to_string(pager_.pageCount()) + " pages).");
  }
  const Page stored = pager_.page(number);
  const auto bytes = stored.bytes();
  auto found = slots_.find(number);
  if (found != slots_.end()) {
    CachedIndexPage& cached = *found->second.page;
    if (!cached.edited && cached.image.size() == bytes.size() &&
        std::memcmp(cached.image.data(), bytes.data(), bytes.size()) == 0) {
      lru_.splice(lru_.begin(), lru_, found->second.lru);
      return found->second.page;
    }
    // Someone may still hold the old copy; decode into a new one.
    forget(number);
  }
  auto page = std::make_shared<CachedIndexPage>();
  page->number = number;
  page->page.decode(bytes, number, format_);
  page->image.assign(bytes.begin(), bytes.end());
  remember(page);
  return page;
}

std::shared_ptr<CachedIndexPage> IndexPageCache::create(std::uint32_t number, std::uint32_t owner) {
  auto page = std::make_shared<CachedIndexPage>();
  page->number = number;
  page->page.kind = IndexPageKind::Leaf;
  page->page.ownerPage = owner;
  page->edited = true;
  remember(page);
  return page;
}

void IndexPageCache::forget(std::uint32_t number) {
  const auto found = slots_.find(number);
  if (found == slots_.end()) return;
  lru_.erase(found->second.lru);
  slots_.erase(found);
}

void IndexPageCache::clear() {
  slots_.clear();
  lru_.clear();
}

}  // namespace jet
