// IndexPageCache: decoded B-tree pages kept between index operations, so that
// a search or an insert does not decode the same root and leaf again and again.
// A cached page is used again only while the pager still holds exactly the
// bytes it was decoded from: a statement or transaction that was undone, or any
// other change behind the cache's back, costs one decode and never a stale page.
// Edited pages go back to the pager through store(), which encodes them and
// remembers the new image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db/index_page_store.h"
#include "format/format_version.h"
#include "format/index_page.h"
#include "format/index_page_format.h"

namespace jet {

// The index page layout of a file format version.
const IndexPageFormat& indexPageFormatFor(const FormatVersion& version);

struct CachedIndexPage {
  std::uint32_t number = 0;
  IndexPage page;
  std::vector<std::uint8_t> image;  // the stored bytes `page` was decoded from or encoded to
  bool edited = false;              // `page` was changed and not stored yet
};

class IndexPageCache {
 public:
  // 2048 pages: the leaves of a few hundred thousand rows of a typical index.
  static constexpr std::size_t kDefaultCapacity = 2048;

  IndexPageCache(IndexPageStore& store, const IndexPageFormat& format, std::size_t capacity = kDefaultCapacity);

  IndexPageStore& pages() { return store_; }
  const IndexPageFormat& format() const { return format_; }

  // The page, decoded. Corruption (naming the page) when it lies beyond the
  // end of the file or is not a sound index page. The handle stays usable
  // after the cache moves on.
  std::shared_ptr<CachedIndexPage> load(std::uint32_t number);

  // Marks a loaded page as being edited: until store(), load() decodes it
  // afresh instead of handing out the half-edited copy.
  void beginEdit(CachedIndexPage& page) { page.edited = true; }

  // Encodes the page and writes it to the store. Returns false, changing
  // nothing, when its entries do not fit (the caller splits it).
  bool store(const std::shared_ptr<CachedIndexPage>& page);
  // Writes the page's image, which the caller has brought up to date with its
  // entries (an entry appended in place).
  void storeImage(const std::shared_ptr<CachedIndexPage>& page);

  // A page that is not in the file's index yet (just allocated): an empty leaf
  // of the given owner, cached under its number and marked as edited.
  std::shared_ptr<CachedIndexPage> create(std::uint32_t number, std::uint32_t owner);

  // Drops one page (freed) or everything (after an error).
  void forget(std::uint32_t number);
  void clear();

 private:
  struct Slot {
    std::shared_ptr<CachedIndexPage> page;
    std::list<std::uint32_t>::iterator lru;
  };
  Slot& remember(std::shared_ptr<CachedIndexPage> page);

  IndexPageStore& store_;
  const IndexPageFormat& format_;
  std::size_t capacity_;
  std::unordered_map<std::uint32_t, Slot> slots_;
  std::list<std::uint32_t> lru_;  // most recently used first
  std::vector<std::uint8_t> encoded_;  // scratch for store()
};

}  // namespace jet
