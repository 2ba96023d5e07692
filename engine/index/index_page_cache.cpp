// Decoded index pages, checked against the pager's bytes before each reuse.
#include "index/index_page_cache.h"

#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {

IndexPageCache::IndexPageCache(Pager& pager, const IndexPageFormat& format, std::size_t capacity)
    : pager_(pager), format_(format), capacity_(capacity < 8 ? 8 : capacity) {}

void IndexPageCache::remember(std::shared_ptr<CachedIndexPage> page) {
  const std::uint32_t number = page->number;
  const auto found = slots_.find(number);
  if (found != slots_.end()) {
    found->second.page = std::move(page);
    lru_.splice(lru_.begin(), lru_, found->second.lru);
    return;
  }
  while (slots_.size() >= capacity_) {
    slots_.erase(lru_.back());
    lru_.pop_back();
  }
  lru_.push_front(number);
  slots_.emplace(number, Slot{std::move(page), lru_.begin()});
}

void IndexPageCache::adopt(CachedIndexPage& page, Page bytes) {
  page.held = std::move(bytes);
  const auto b = page.held.bytes();
  page.heldAt = b.data();
  page.header.assign(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(format_.entryData));
  page.edited = false;
}

std::shared_ptr<CachedIndexPage> IndexPageCache::load(std::uint32_t number) {
  if (number == 0 || !pager_.isPage(number)) {
    throw Error(ErrorCode::Corruption, "Index page " + std::to_string(number) + " lies outside the file (" +
                                           std::to_string(pager_.pageCount()) + " pages).");
  }
  Page current = pager_.page(number);
  const auto bytes = current.bytes();
  const auto found = slots_.find(number);
  if (found != slots_.end()) {
    const std::shared_ptr<CachedIndexPage> cached = found->second.page;
    if (!cached->edited && cached->heldAt == bytes.data() &&
        std::memcmp(bytes.data(), cached->header.data(), cached->header.size()) == 0) {
      lru_.splice(lru_.begin(), lru_, found->second.lru);
      return cached;
    }
    // Someone may still hold the old copy; decode into a new one.
    forget(number);
  }
  auto page = std::make_shared<CachedIndexPage>();
  page->number = number;
  page->page.decode(bytes, number, format_);
  adopt(*page, std::move(current));
  remember(page);
  return page;
}

bool IndexPageCache::store(const std::shared_ptr<CachedIndexPage>& page) {
  encoded_.resize(format_.pageSize);
  if (!page->page.encode(encoded_, format_)) return false;
  const std::span<std::uint8_t> target = writable(*page);
  std::memcpy(target.data(), encoded_.data(), encoded_.size());
  stored(page);
  return true;
}

std::span<std::uint8_t> IndexPageCache::writable(CachedIndexPage& page) {
  // Until the write is complete, the copy must not pass for the stored page.
  page.edited = true;
  return pager_.modify(page.number);
}

void IndexPageCache::stored(const std::shared_ptr<CachedIndexPage>& page) {
  adopt(*page, pager_.page(page->number));
  remember(page);
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
