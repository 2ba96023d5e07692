// One real index checked against its table's rows.
#include "tools/integrity_index_check.h"

#include <algorithm>

#include "format/data_page_format.h"
#include "format/index_page_format.h"
#include "format/table_definition_format.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"

namespace jet {

namespace {

std::string at(RowId id) {
  return "page " + std::to_string(id.page()) + " slot " + std::to_string(id.slot());
}

std::string indexLabel(const TableDefinition& definition, std::size_t realIndex,
                       const std::string& tableLabel) {
  std::vector<std::string> names;
  for (const LogicalIndexDefinition& l : definition.logicalIndexes) {
    if (l.realIndex == realIndex) names.push_back("'" + toUtf8(l.name) + "'");
  }
  if (names.empty()) return "real index " + std::to_string(realIndex) + " of " + tableLabel;
  std::string label = "index " + names[0];
  if (names.size() > 1) {
    label += " (also";
    for (std::size_t i = 1; i < names.size(); ++i) label += " " + names[i];
    label += ")";
  }
  return label + " of " + tableLabel;
}

}  // namespace

IndexChecker::IndexChecker(IntegrityContext& context, std::uint32_t tablePage, const std::string& tableLabel,
                           const TableDefinition& definition, const std::vector<ColumnDef>& columns,
                           std::size_t realIndex)
    : cx_(context),
      tablePage_(tablePage),
      label_(indexLabel(definition, realIndex, tableLabel)),
      index_(definition.realIndexes[realIndex]),
      owner_(context.ledger.addOwner(label_)),
      pageAtDepth_(kMaxDepth) {
  unique_ = (index_.flags & kIndexUnique) != 0;
  required_ = (index_.flags & kIndexRequired) != 0;
  ignoreNulls_ = (index_.flags & kIndexIgnoreNulls) != 0;
  for (const LogicalIndexDefinition& l : definition.logicalIndexes) {
    if (l.realIndex == realIndex && l.kind == kIndexKindPrimaryKey) unique_ = required_ = true;
  }

  std::vector<KeyColumn> keyColumns;
  for (const IndexKeyColumn& k : index_.columns) {
    const auto c = std::find_if(columns.begin(), columns.end(),
                                [&](const ColumnDef& col) { return col.number == k.columnNumber; });
    // A key column the table does not define is a definition error (reported
    // with the definition); such an index can only be checked as a tree.
    if (c == columns.end()) {
      keyPositions_.clear();
      return;
    }
    keyPositions_.push_back(static_cast<std::size_t>(c - columns.begin()));
    KeyColumn key;
    key.type = c->type;
    key.ascending = k.ascending;
    key.scale = c->scale;
    key.sortOrder = c->sortOrder;
    key.rowPosition = keyPositions_.back();
    if (c->type == DataType::Text || c->type == DataType::Memo) {
      const auto stored = std::find_if(definition.columns.begin(), definition.columns.end(),
                                       [&](const ColumnDefinition& d) { return d.number == k.columnNumber; });
      key.sortOrderVersion = stored->sortOrderVersion;
      key.codePage = stored->codePage;
    }
    keyColumns.push_back(key);
  }
  try {
    encoder_.emplace(keyColumns);
    keys_.columns = std::move(keyColumns);
  } catch (const Error& e) {
    // Keys in a sort order we cannot build (or of a type no index can hold):
    // the tree and its row pointers are still checked.
    if (e.code() != ErrorCode::Unsupported && e.code() != ErrorCode::InvalidArgument) throw;
    ++cx_.report.indexesNotReencoded;
  }
}

std::string IndexChecker::where(std::uint32_t page) const {
  return label_ + ", page " + std::to_string(page);
}

void IndexChecker::fail(const std::string& what) {
  cx_.sink.error(ProblemArea::Index, what);
}

void IndexChecker::entryProblem(const std::string& what) {
  if (entryProblems_ < kMaxEntryProblems) {
    ++entryProblems_;
    fail(label_ + ": " + what);
  } else {
    ++hiddenEntryProblems_;
  }
}

void IndexChecker::addRow(RowId id, std::span<const Value> values) {
  if (keyPositions_.empty()) return;
  bool anyNull = false;
  bool allNull = true;
  for (const std::size_t pos : keyPositions_) {
    // A Yes/No value is never Null.
    const bool isNull = values[pos].isNull();
    anyNull = anyNull || isNull;
    allNull = allNull && isNull;
  }
  if (required_ && anyNull) requiredMissing_.push_back(id);
  if (ignoreNulls_ && allNull) return;
  RowKeys::Entry e;
  e.row = id;
  e.hasNull = anyNull;
  if (encoder_) {
    e.offset = static_cast<std::uint32_t>(keys_.bytes.size());
    try {
      encoder_->appendKey(values, keys_.bytes);
    } catch (const Error& err) {
      if (err.code() != ErrorCode::InvalidArgument) throw;
      keys_.bytes.resize(e.offset);
      unreadableRows_.push_back(id);
      return;
    }
    e.length = static_cast<std::uint32_t>(keys_.bytes.size() - e.offset);
  }
  keys_.entries.push_back(e);
}

void IndexChecker::addUnreadableRow(RowId id) {
  unreadableRows_.push_back(id);
}
void IndexChecker::addUnreadablePage(std::uint32_t page) {
  unreadablePages_.push_back(page);
}

bool IndexChecker::isUnreadable(RowId row) const {
  return std::binary_search(unreadableRows_.begin(), unreadableRows_.end(), row) ||
         std::binary_search(unreadablePages_.begin(), unreadablePages_.end(), row.page());
}

void IndexChecker::check(const std::vector<RowId>& liveRows) {
  ++cx_.report.indexCount;
  std::sort(keys_.entries.begin(), keys_.entries.end(),
            [&](const RowKeys::Entry& a, const RowKeys::Entry& b) {
              return compareIndexEntries(keys_.key(a), a.row, keys_.key(b), b.row) < 0;
            });
  std::sort(unreadableRows_.begin(), unreadableRows_.end());

  if (index_.rootPage == 0) {
    fail(label_ + " has no root page");
    treeComplete_ = false;
  } else {
    LastEntry last;
    treeComplete_ = walk(index_.rootPage, 0, last);
  }
  if (treeComplete_) checkLinks();
  checkPageMap();
  if (!keyPositions_.empty()) checkEntriesAgainstRows(liveRows);
  checkRowRules();
  if (hiddenEntryProblems_ > 0) {
    fail(label_ + ": " + std::to_string(hiddenEntryProblems_) + " more entry problems not listed");
  }
}

bool IndexChecker::walk(std::uint32_t page, std::size_t depth, LastEntry& last) {
  if (depth >= kMaxDepth) {
    fail(where(page) + ": the tree is more than " + std::to_string(kMaxDepth) + " levels deep");
    return false;
  }
  if (cx_.ledger.isOwnedBy(page, PageRole::IndexPage, owner_)) {
    fail(where(page) + ": the tree reaches this page a second time (a loop, or a child with two parents)");
    return false;
  }
  if (!cx_.ledger.claim(page, PageRole::IndexPage, owner_, "its tree reaches")) return false;
  IndexPage& ip = pageAtDepth_[depth];
  try {
    ip.decode(cx_.pager.page(page).bytes(), page, indexPageFormatFor(cx_.version));
  } catch (const Error& e) {
    if (!isFinding(e)) throw;
    fail(label_ + ": " + e.what());
    return false;
  }
  if (levels_.size() <= depth) levels_.resize(depth + 1);
  levels_[depth].push_back(TreePage{page, ip.prevPage, ip.nextPage});
  bool ok = checkPage(ip, page, depth);

  if (ip.kind == IndexPageKind::Leaf) {
    for (std::size_t i = 0; i < ip.size(); ++i) visitEntry(ip.key(i), ip.row(i), page);
    if (!ip.empty()) {
      last.key.assign(ip.key(ip.size() - 1).begin(), ip.key(ip.size() - 1).end());
      last.row = ip.row(ip.size() - 1);
      last.present = true;
    }
    return ok;
  }

  if (ip.empty() && ip.tailPage == 0) {
    fail(where(page) + ": a node page with no children");
    return false;
  }
  // Deeper levels reuse other slots of pageAtDepth_, so this page stays decoded.
  for (std::size_t i = 0; i < ip.size(); ++i) {
    LastEntry child;
    const std::uint32_t childPage = ip.childPage(i);
    if (!walk(childPage, depth + 1, child)) {
      ok = false;
      continue;
    }
    // A node entry names the last entry of its child's subtree; searches
    // descend by it.
    if (!child.present || compareIndexEntries(child.key, child.row, ip.key(i), ip.row(i)) != 0) {
      fail(where(page) + ": entry " + std::to_string(i) + " (for child page " + std::to_string(childPage) +
           ") is not the last entry of that child" + (child.present ? "" : ", which has no entries"));
      ok = false;
    }
  }
  if (ip.tailPage != 0) return walk(ip.tailPage, depth + 1, last) && ok;
  last.key.assign(ip.key(ip.size() - 1).begin(), ip.key(ip.size() - 1).end());
  last.row = ip.row(ip.size() - 1);
  last.present = true;
  return ok;
}

bool IndexChecker::checkPage(const IndexPage& ip, std::uint32_t number, std::size_t depth) {
  bool ok = true;
  if (ip.ownerPage != tablePage_) {
    fail(where(number) + ": the page names the table defined at page " + std::to_string(ip.ownerPage) +
         " as its owner");
    ok = false;
  }
  const std::size_t pointers =
      kIndexRowPointerSize + (ip.kind == IndexPageKind::Node ? kIndexChildPointerSize : 0);
  std::size_t used = 0;
  for (std::size_t i = 0; i < ip.size(); ++i) used += ip.key(i).size() + pointers;
  if (ip.size() > 1) used -= (ip.size() - 1) * ip.storedPrefixLength();
  const std::size_t capacity = indexPageFormatFor(cx_.version).maxDataSize();
  const std::size_t free = used <= capacity ? capacity - used : 0;
  if (ip.storedFreeSpace() != free) {
    fail(where(number) + ": the page records " + std::to_string(ip.storedFreeSpace()) +
         " bytes free, but its entries leave " + std::to_string(free));
  }
  if (ip.kind == IndexPageKind::Leaf) {
    if (leafDepth_ && *leafDepth_ != depth) {
      fail(where(number) + ": a leaf at depth " + std::to_string(depth) +
           " while other leaves are at depth " + std::to_string(*leafDepth_));
      ok = false;
    }
    if (!leafDepth_) leafDepth_ = depth;
    if (ip.tailPage != 0) {
      cx_.sink.oddity(ProblemArea::Index, where(number) + ": a leaf page with a child-tail pointer (" +
                                              std::to_string(ip.tailPage) + ")");
    }
    if (ip.empty() && depth > 0) {
      cx_.sink.oddity(ProblemArea::Index, where(number) + ": an empty leaf page below the root");
    }
  }
  return ok;
}

void IndexChecker::visitEntry(std::span<const std::uint8_t> key, RowId row, std::uint32_t page) {
  if (previousRow_ && compareIndexEntries(previousKey_, *previousRow_, key, row) >= 0) {
    entryProblem("the entry for the row at " + at(row) + " on page " + std::to_string(page) +
                 " is out of key order (not after the entry before it)");
  }
  previousKey_.assign(key.begin(), key.end());
  previousRow_ = row;
  if (keyPositions_.empty()) return;
  if (!encoder_) {
    treeRows_.push_back(row);
    return;
  }
  while (expectedAt_ < keys_.entries.size()) {
    const RowKeys::Entry& e = keys_.entries[expectedAt_];
    const int c = compareIndexEntries(keys_.key(e), e.row, key, row);
    if (c > 0) break;
    ++expectedAt_;
    if (c == 0) return;
    missing_.push_back(e.row);
  }
  // Entries of rows that could not be read are not judged.
  if (!isUnreadable(row)) extra_.push_back(row);
}

void IndexChecker::checkLinks() {
  if (!leafDepth_) return;
  const auto link = [](std::uint32_t page) { return page == 0 ? std::string("none") : std::to_string(page); };
  const std::vector<TreePage>& leaves = levels_[*leafDepth_];
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const std::uint32_t before = i == 0 ? 0 : leaves[i - 1].page;
    const std::uint32_t after = i + 1 == leaves.size() ? 0 : leaves[i + 1].page;
    if (leaves[i].prev != before) {
      fail(where(leaves[i].page) + ": its previous-leaf link names " + link(leaves[i].prev) +
           ", but the leaf before it in key order is " + link(before));
    }
    if (leaves[i].next != after) {
      fail(where(leaves[i].page) + ": its next-leaf link names " + link(leaves[i].next) +
           ", but the leaf after it in key order is " + link(after));
    }
  }
  // Node pages are chained level by level or only among children of one
  // parent, depending on the writer; either way a link stays on its level.
  for (std::size_t depth = 0; depth < *leafDepth_ && depth < levels_.size(); ++depth) {
    const std::vector<TreePage>& level = levels_[depth];
    const auto onLevel = [&](std::uint32_t page) {
      return std::any_of(level.begin(), level.end(), [&](const TreePage& t) { return t.page == page; });
    };
    for (const TreePage& t : level) {
      for (const std::uint32_t linked : {t.prev, t.next}) {
        if (linked != 0 && !onLevel(linked)) {
          fail(where(t.page) + ": a sibling link names page " + std::to_string(linked) +
               ", which is not a node page on the same level of the tree");
        }
      }
    }
  }
}

void IndexChecker::checkPageMap() {
  const CheckedMap map = cx_.maps.read(index_.usageMap, owner_, "the page map");
  if (!map.present) {
    fail(label_ + " has no page map");
    return;
  }
  if (!map.readable) return;
  for (const std::vector<TreePage>& level : levels_) {
    for (const TreePage& t : level) {
      if (!std::binary_search(map.pages.begin(), map.pages.end(), t.page)) {
        fail(where(t.page) + ": the index's page map does not list this page of its tree");
      }
    }
  }
  // Pages listed beyond a tree that could not be walked whole may be its own.
  if (!treeComplete_) return;
  for (const std::uint32_t p : map.pages) {
    if (cx_.ledger.isOwnedBy(p, PageRole::IndexPage, owner_)) continue;
    cx_.ledger.noteListed(p);
    std::string what = "beyond the end of the file";
    if (cx_.pager.isPage(p)) {
      const Page page = cx_.pager.page(p);
      const bool ownIndexPage = (page.type() == kIndexNodePageType || page.type() == kIndexLeafPageType) &&
                                loadU32(page.bytes().data() + indexPageFormatFor(cx_.version).ownerPage) == tablePage_;
      what = ownIndexPage ? "an index page that is not part of its tree (left over)"
                          : "not an index page of this table (a stale bit)";
    }
    cx_.sink.oddity(ProblemArea::UsageMap,
                    label_ + ": its page map lists page " + std::to_string(p) + ", " + what);
  }
}

void IndexChecker::checkEntriesAgainstRows(const std::vector<RowId>& liveRows) {
  if (encoder_) {
    for (; expectedAt_ < keys_.entries.size(); ++expectedAt_)
      missing_.push_back(keys_.entries[expectedAt_].row);
  } else {
    // Keys in an order we cannot build: compare the rows the entries name.
    std::vector<RowId> rows;
    rows.reserve(keys_.entries.size());
    for (const RowKeys::Entry& e : keys_.entries) rows.push_back(e.row);
    std::sort(rows.begin(), rows.end());
    std::sort(treeRows_.begin(), treeRows_.end());
    std::size_t i = 0;
    for (const RowId row : treeRows_) {
      while (i < rows.size() && rows[i] < row) missing_.push_back(rows[i++]);
      if (i < rows.size() && rows[i] == row) {
        ++i;
      } else if (!isUnreadable(row)) {
        extra_.push_back(row);
      }
    }
    missing_.insert(missing_.end(), rows.begin() + static_cast<std::ptrdiff_t>(i), rows.end());
  }
  std::sort(missing_.begin(), missing_.end());
  std::sort(extra_.begin(), extra_.end());
  for (const RowId row : extra_) {
    if (std::binary_search(missing_.begin(), missing_.end(), row)) {
      entryProblem("the entry of the row at " + at(row) + " holds a key the row's values do not give");
    } else if (!std::binary_search(liveRows.begin(), liveRows.end(), row)) {
      entryProblem("an entry points at " + at(row) + ", which holds no live row of the table");
    } else {
      entryProblem("the row at " + at(row) + " has more than one entry");
    }
  }
  // With part of the tree unread, rows are bound to seem missing.
  if (!treeComplete_) return;
  for (const RowId row : missing_) {
    if (!std::binary_search(extra_.begin(), extra_.end(), row))
      entryProblem("the row at " + at(row) + " has no entry");
  }
}

void IndexChecker::checkRowRules() {
  for (const RowId row : requiredMissing_) {
    entryProblem("the row at " + at(row) + " has no value in a key column, but the index requires one");
  }
  // Duplicates: rows with equal keys, unless a key column is Null (those may repeat).
  if (!unique_ || !encoder_) return;
  for (std::size_t i = 1; i < keys_.entries.size(); ++i) {
    const RowKeys::Entry& a = keys_.entries[i - 1];
    const RowKeys::Entry& b = keys_.entries[i];
    if (a.hasNull || b.hasNull) continue;
    const auto ka = keys_.key(a);
    const auto kb = keys_.key(b);
    if (std::equal(ka.begin(), ka.end(), kb.begin(), kb.end())) {
      entryProblem("the rows at " + at(a.row) + " and " + at(b.row) +
                   " have the same key, but the index is unique");
    }
  }
}

}  // namespace jet
