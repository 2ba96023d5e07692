// Page-level checks the integrity checker shares between structures: the slot
// table and free-space field of data pages (table rows, long values and
// usage-map rows all use that layout), and reading usage maps while claiming
// the pages their rows and bitmaps live on.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"
#include "jet/table.h"
#include "tools/integrity_page_ledger.h"
#include "tools/integrity_sink.h"

namespace jet {

class DataPage;
class Pager;

// Checks that the slots' rows lie inside the page, in slot order without
// overlapping, and that the free-space field matches. Reports problems naming
// `what` ("data page 57 of table 'Orders'"); returns false when the slot table
// is unusable (rows on the page cannot be trusted).
bool checkDataPageLayout(const DataPage& page, ByteSpan bytes, const FormatVersion& version,
                         ProblemSink& sink, ProblemArea area, const std::string& what);

// A usage map as read by the checker.
struct CheckedMap {
  bool present = false;              // false when the locator is 0: the structure has no such map
  bool readable = false;             // false when the map row could not be read (reported)
  std::vector<std::uint32_t> pages;  // listed pages, ascending; may lie beyond the file
  // Page ranges [first, end) the map has bits for.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> coverage;
};

class UsageMapChecker {
 public:
  UsageMapChecker(Pager& pager, const FormatVersion& version, PageLedger& ledger, ProblemSink& sink);

  // Reads the map row at `where` of `owner`'s map `what` ("the owned-pages
  // map"), claiming the row's page as a usage-map page and the bitmap pages of
  // a reference map as the map's own.
  CheckedMap read(RowId where, PageLedger::OwnerId owner, const std::string& what);

  // Checks the layout of every usage-map page read so far.
  void checkMapPages();

 private:
  Pager& pager_;
  const FormatVersion& version_;
  PageLedger& ledger_;
  ProblemSink& sink_;
  PageLedger::OwnerId mapPagesOwner_;
  std::set<std::uint32_t> mapPages_;
};

}  // namespace jet
