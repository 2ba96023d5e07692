// The integrity checker's driver and the public entry point.
#include "tools/integrity_check.h"

#include <algorithm>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "format/table_definition_format.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"
#include "tools/integrity_table_check.h"

namespace jet {

namespace {

// The file's own page map: row 0 of page 1. A set bit marks a page as free.
constexpr RowId kPageMapRow{1u << 8};
// A local table's catalog id is its definition page; the top byte is reserved.
constexpr std::uint32_t kTablePageMask = 0x00FFFFFF;
// The foreign-key role of a logical index whose table holds the foreign key
// (the other side, kForeignKeyReferenced, is referred to).
constexpr std::uint8_t kForeignKeyReferencing = 2;

}  // namespace

IntegrityChecker::IntegrityChecker(std::shared_ptr<DatabaseContext> database,
                                   const std::vector<CatalogObject>& catalog, const IntegrityOptions& options)
    : database_(std::move(database)),
      catalog_(catalog),
      sink_(report_, options),
      ledger_(database_->pager->pageCount(), sink_),
      maps_(*database_->pager, *database_->version, ledger_, sink_),
      context_{database_, *database_->pager, *database_->version, report_, sink_, ledger_, maps_, {}, {},
               {}} {}

IntegrityReport IntegrityChecker::run() {
  Pager& pager = *database_->pager;
  report_.pageCount = pager.pageCount();
  sink_.beginScope("the file");
  checkFile();
  const PageMapState pageMap = readPageMap();
  const std::vector<TableEntry> tables = tablesFromCatalog();

  for (const TableEntry& t : tables) {
    TableChecker checker(context_, t.page, t.name, t.system);
    if (auto definition = checker.run()) definitions_.emplace(t.page, std::move(*definition));
  }

  sink_.beginScope("the file");
  checkForeignKeys();
  maps_.checkMapPages();
  ledger_.compareWithPageMap(pageMap, pager);
  sink_.finish();
  return std::move(report_);
}

void IntegrityChecker::checkFile() {
  Pager& pager = *database_->pager;
  const std::uint64_t size = pager.file().size();
  if (size % pager.pageSize() != 0) {
    sink_.error(ProblemArea::File,
                "the file's size (" + std::to_string(size) + " bytes) is not a whole number of " +
                    std::to_string(pager.pageSize()) + "-byte pages: it was cut off or extended");
  }
  const PageLedger::OwnerId header = ledger_.addOwner("the file");
  ledger_.claim(0, PageRole::Header, header, "the header is");
}

PageMapState IntegrityChecker::readPageMap() {
  const std::uint32_t pages = ledger_.pageCount();
  PageMapState state;
  state.free.assign(pages, false);
  state.covered.assign(pages, false);
  const CheckedMap map = maps_.read(kPageMapRow, ledger_.addOwner("the file"), "the page map");
  if (!map.readable) {
    // Without a readable map nothing can be compared: treat every page as covered and in use.
    state.covered.assign(pages, true);
    return state;
  }
  for (const auto& [first, end] : map.coverage) {
    for (std::uint64_t p = first; p < std::min<std::uint64_t>(end, pages); ++p) state.covered[p] = true;
  }
  std::uint64_t freeBeyondEnd = 0;
  for (const std::uint32_t p : map.pages) {
    if (p < pages) {
      state.free[p] = true;
    } else {
      ++freeBeyondEnd;
    }
  }
  std::uint64_t coveredBeyondEnd = 0;
  for (const auto& [first, end] : map.coverage) {
    const std::uint64_t from = std::max<std::uint64_t>(first, pages);
    if (end > from) coveredBeyondEnd += end - from;
  }
  state.usedBitsBeyondEnd = freeBeyondEnd < coveredBeyondEnd;
  return state;
}

std::vector<IntegrityChecker::TableEntry> IntegrityChecker::tablesFromCatalog() {
  std::vector<TableEntry> tables;
  bool catalogListed = false;
  for (const CatalogObject& o : catalog_) {
    if (o.type != kObjectLocalTable) continue;
    const std::uint32_t page = static_cast<std::uint32_t>(o.id) & kTablePageMask;
    const std::string name = "table '" + toUtf8(o.name) + "'";
    if (page < 2 || !database_->pager->isPage(page)) {
      sink_.error(ProblemArea::Catalog, "the catalog places " + name + " at page " + std::to_string(page) +
                                            ", which is not a page a table definition can be on");
      continue;
    }
    const auto same =
        std::find_if(tables.begin(), tables.end(), [&](const TableEntry& t) { return t.page == page; });
    if (same != tables.end()) {
      sink_.error(ProblemArea::Catalog, "the catalog places both " + name + " and table '" +
                                            toUtf8(same->name) + "' at page " + std::to_string(page));
      continue;
    }
    catalogListed = catalogListed || page == kCatalogPage;
    tables.push_back(TableEntry{page, o.name, o.isSystem()});
    context_.tableNames.emplace(page, o.name);
  }
  if (!catalogListed) {
    sink_.oddity(ProblemArea::Catalog,
                 "the catalog has no row for itself (page " + std::to_string(kCatalogPage) + ")");
    tables.push_back(TableEntry{kCatalogPage, u"MSysObjects", true});
    context_.tableNames.emplace(kCatalogPage, u"MSysObjects");
  }
  // The catalog first, then by definition page: the order pages were allocated in.
  std::stable_sort(tables.begin(), tables.end(),
                   [](const TableEntry& a, const TableEntry& b) { return a.page < b.page; });
  return tables;
}

void IntegrityChecker::checkForeignKeys() {
  for (const auto& [page, definition] : definitions_) {
    for (const LogicalIndexDefinition& l : definition.logicalIndexes) {
      if (l.kind != kIndexKindForeignKey) continue;
      const std::string index =
          describeTable(context_, page) + ", foreign-key index '" + toUtf8(l.name) + "'";
      const auto other = definitions_.find(l.foreignKeyTable);
      if (other == definitions_.end()) {
        sink_.error(ProblemArea::TableDefinition, index + ": it refers to the table defined at page " +
                                                      std::to_string(l.foreignKeyTable) +
                                                      ", which is not a readable table of the catalog");
        continue;
      }
      const auto& others = other->second.logicalIndexes;
      const auto match = std::find_if(others.begin(), others.end(), [&](const LogicalIndexDefinition& o) {
        return static_cast<std::int64_t>(o.number) == l.foreignKeyIndex;
      });
      if (match == others.end()) {
        sink_.error(ProblemArea::TableDefinition,
                    index + ": it refers to index number " + std::to_string(l.foreignKeyIndex) + " of " +
                        describeTable(context_, l.foreignKeyTable) + ", which that table does not have");
      } else if (match->kind != kIndexKindForeignKey || match->foreignKeyTable != page ||
                 match->foreignKeyIndex != static_cast<std::int64_t>(l.number)) {
        sink_.error(ProblemArea::TableDefinition, index + ": its counterpart '" + toUtf8(match->name) +
                                                      "' in " + describeTable(context_, l.foreignKeyTable) +
                                                      " does not refer back to it");
      } else if (l.foreignKeyRole == kForeignKeyReferencing) {
        checkRelationshipRows(page, l, other->first, *match);
      }
    }
  }
}

void IntegrityChecker::checkRelationshipRows(std::uint32_t childPage,
                                             const LogicalIndexDefinition& childIndex,
                                             std::uint32_t parentPage,
                                             const LogicalIndexDefinition& parentIndex) {
  const auto child = context_.foreignKeyIndexKeys.find({childPage, childIndex.realIndex});
  const auto parent = context_.foreignKeyIndexKeys.find({parentPage, parentIndex.realIndex});
  if (child == context_.foreignKeyIndexKeys.end() || parent == context_.foreignKeyIndexKeys.end()) return;
  const RowKeys& children = child->second;
  const RowKeys& parents = parent->second;
  // Key bytes compare equal values only between columns of one type and order.
  const auto sameKind = [](const KeyColumn& a, const KeyColumn& b) {
    return a.type == b.type && a.ascending == b.ascending && a.scale == b.scale;
  };
  if (children.columns.empty() || children.columns.size() != parents.columns.size() ||
      !std::equal(children.columns.begin(), children.columns.end(), parents.columns.begin(), sameKind)) {
    return;
  }
  const std::string relationship = "relationship '" + toUtf8(childIndex.name) + "' (" +
                                   describeTable(context_, childPage) + " refers to " +
                                   describeTable(context_, parentPage) + ")";
  std::size_t orphans = 0;
  RowId first;
  for (const RowKeys::Entry& e : children.entries) {
    // A foreign key with a Null part refers to nothing and needs no parent.
    if (e.hasNull) continue;
    const auto key = children.key(e);
    const auto it =
        std::lower_bound(parents.entries.begin(), parents.entries.end(), key,
                         [&](const RowKeys::Entry& p, std::span<const std::uint8_t> k) {
                           const auto pk = parents.key(p);
                           return std::lexicographical_compare(pk.begin(), pk.end(), k.begin(), k.end());
                         });
    const bool found = it != parents.entries.end() && !it->hasNull &&
                       std::equal(key.begin(), key.end(), parents.key(*it).begin(), parents.key(*it).end());
    if (found) continue;
    if (orphans++ == 0) first = e.row;
  }
  if (orphans > 0) {
    sink_.error(ProblemArea::Relationship,
                relationship + ": " + std::to_string(orphans) + " row" + (orphans == 1 ? " has" : "s have") +
                    " no matching row in " + describeTable(context_, parentPage) + " (the first at page " +
                    std::to_string(first.page()) + " slot " + std::to_string(first.slot()) + ")");
  }
}

IntegrityReport checkIntegrity(Database& db, const IntegrityOptions& options) {
  ReadLock lock(db);  // one committed state, checked whole
  IntegrityChecker checker(db.impl().context, db.catalog(), options);
  return checker.run();
}

}  // namespace jet
