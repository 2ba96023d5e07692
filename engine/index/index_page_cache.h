// IndexPageCache: decoded B-tree pages kept between index operations, so that
// a search or an insert does not decode the same root and leaf again and again.
//
// A cached copy holds the pager's handle on the bytes it was decoded from and
// is used again only while the pager still serves the very buffer it was
// decoded from, with the same header and entry bitmap. Undoing a statement or
// a transaction and reading a page again after eviction put the page in
// another buffer, so the copy is decoded again. The contents of index pages
// are otherwise changed only through this cache (store() and the in-place
// edits of writable()/stored()); a page written whole by other code (a freed
// page reused, the first empty leaf of a new index) shows in its header. Code
// that frees index pages behind the B-tree code should still clear() it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "format/format_version.h"
#include "format/index_page.h"
#include "format/index_page_format.h"
#include "storage/pager.h"

namespace jet {

struct CachedIndexPage {
  std::uint32_t number = 0;
  IndexPage page;
  Page held;                          // the pager's bytes `page` matches (empty for a page not stored yet)
  const std::uint8_t* heldAt = nullptr;  // where those bytes were: a page undone or read again moves
  std::vector<std::uint8_t> header;   // header and entry bitmap as stored, for the reuse check
  bool edited = false;               // `page` was changed and not stored yet
  std::span<const std::uint8_t> stored() const { return held.bytes(); }
};

class IndexPageCache {
 public:
  // 2048 pages: the leaves of a few hundred thousand rows of a typical index.
  static constexpr std::size_t kDefaultCapacity = 2048;

  IndexPageCache(Pager& pager, const IndexPageFormat& format, std::size_t capacity = kDefaultCapacity);

  Pager& pager() { return pager_; }
  const IndexPageFormat& format() const { return format_; }

  // The page, decoded. Corruption (naming the page) when it lies beyond the
  // end of the file or is not a sound index page. The handle stays usable
  // after the cache moves on.
  std::shared_ptr<CachedIndexPage> load(std::uint32_t number);

  // Marks a loaded page as being edited: until it is stored, load() decodes
  // it afresh instead of handing out the half-edited copy.
  void beginEdit(CachedIndexPage& page) { page.edited = true; }

  // Encodes the page and writes it through the pager (in its write
  // transaction). Returns false, changing nothing, when its entries do not fit
  // (the caller splits it).
  bool store(const std::shared_ptr<CachedIndexPage>& page);
  // For an edit of the stored bytes in place: the page's writable bytes, then
  // stored() once they match the edited entries again.
  std::span<std::uint8_t> writable(CachedIndexPage& page);
  void stored(const std::shared_ptr<CachedIndexPage>& page);

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
  void remember(std::shared_ptr<CachedIndexPage> page);
  void adopt(CachedIndexPage& page, Page bytes);

  Pager& pager_;
  const IndexPageFormat& format_;
  std::size_t capacity_;
  std::unordered_map<std::uint32_t, Slot> slots_;
  std::list<std::uint32_t> lru_;  // most recently used first
  std::vector<std::uint8_t> encoded_;  // scratch for store()
};

}  // namespace jet
