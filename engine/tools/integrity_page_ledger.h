// The integrity checker's page ledger: which structure uses each page of the
// file. Every structure the checker walks claims its pages here; a page claimed
// twice (except pages of usage-map rows, which many maps share) is an error,
// and at the end the ledger is compared with the file's own page map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/integrity_sink.h"

namespace jet {

class Pager;

enum class PageRole : std::uint8_t {
  Unused,      // claimed by nothing
  Header,      // page 0
  MapRows,     // a data page holding usage-map rows (shared by many maps)
  MapBitmap,   // a bitmap page of a reference usage map
  Definition,  // a page of a table definition
  TableData,   // a data page of a table
  IndexPage,   // a node or leaf page of an index
  LongValue,   // a long-value page of a memo or OLE column
};

// "a data page", "an index page", ...
const char* pageRoleName(PageRole role) noexcept;

// Which pages the file's own page map (page 1) marks free, and which pages it
// has bits for at all.
struct PageMapState {
  std::vector<bool> free;          // per page of the file
  std::vector<bool> covered;       // per page of the file
  bool usedBitsBeyondEnd = false;  // pages past the end of the file marked in use
};

class PageLedger {
 public:
  using OwnerId = std::uint32_t;

  PageLedger(std::uint32_t pageCount, ProblemSink& sink);

  std::uint32_t pageCount() const { return static_cast<std::uint32_t>(pages_.size()); }

  // Registers a structure that uses pages ("table 'Orders'", "index 'PK' of
  // table 'Orders'"); the description names it in messages.
  OwnerId addOwner(std::string description);
  const std::string& describe(OwnerId owner) const { return owners_[owner]; }

  // Records that `owner` uses `page` as `role`. Reports (and returns false) a
  // page beyond the end of the file or one another structure uses already;
  // `how` says how the page was reached ("its page map lists").
  bool claim(std::uint32_t page, PageRole role, OwnerId owner, const std::string& how);

  PageRole role(std::uint32_t page) const {
    return page < pages_.size() ? pages_[page].role : PageRole::Unused;
  }
  bool isOwnedBy(std::uint32_t page, PageRole role, OwnerId owner) const {
    return page < pages_.size() && pages_[page].role == role && pages_[page].owner == owner;
  }

  // Remembers that some map lists a page its owner does not use (a stale
  // bit), so that a page nothing uses can be explained.
  void noteListed(std::uint32_t page);

  // Compares the claims with the file's page map: a used page marked free is an
  // error (a writer would hand it out again); pages marked in use that nothing
  // uses are leaked space (an oddity, summed up in ranges and by the kind of
  // page `pager` finds there).
  void compareWithPageMap(const PageMapState& map, Pager& pager);

 private:
  struct Entry {
    PageRole role = PageRole::Unused;
    OwnerId owner = 0;
    bool listedByAMap = false;
  };

  ProblemSink& sink_;
  std::vector<Entry> pages_;
  std::vector<std::string> owners_;
};

}  // namespace jet
