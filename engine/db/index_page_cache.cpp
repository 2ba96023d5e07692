// Decoded index pages, checked against the pager's bytes before each reuse.
#include "db/index_page_cache.h"

#include <cstring>
#include <string>

#include "jet/error.h"

namespace jet {

const IndexPageFormat& indexPageFormatFor(const FormatVersion& version) {
  return version.format == FileFormat::Jet3 ? kJet3IndexPage : kJet4IndexPage;
}

IndexPageCache::IndexPageCache(IndexPageStore& store, const IndexPageFormat& format, std::size_t capacity)
    : store_(store), format_(format), capacity_(capacity < 8 ? 8 : capacity) {}

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
  if (number == 0 || number >= store_.pageCount()) {
    throw Error(ErrorCode::Corruption, "Index page " + std::to_string(number) + " lies outside the file (" +
                                           std::to_string(store_.pageCount()) + " pages).");
  }
  const auto bytes = store_.read(number);
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

bool IndexPageCache::store(const std::shared_ptr<CachedIndexPage>& page) {
  encoded_.resize(format_.pageSize);
  if (!page->page.encode(encoded_, format_)) return false;
  page->image.swap(encoded_);
  storeImage(page);
  return true;
}

void IndexPageCache::storeImage(const std::shared_ptr<CachedIndexPage>& page) {
  // Until the write lands, the copy must not pass for the stored page.
  page->edited = true;
  store_.write(page->number, page->image);
  page->edited = false;
  remember(page);
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
