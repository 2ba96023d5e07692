// One table's checks: definition, usage maps, counters; the row walk is in
// integrity_table_check_rows.cpp.
#include "tools/integrity_table_check.h"

#include <algorithm>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/table_definition_format.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"
#include "table/table_impl.h"
#include "tools/integrity_index_check.h"

namespace jet {

namespace {

// What a page holds, for a message about a map that lists it.
std::string describeContents(const Page& page, std::uint32_t tablePage) {
  const ByteSpan b = page.bytes();
  switch (b[0]) {
    case kPageTypeData: {
      const std::uint32_t owner = loadU32(b.data() + kDataPageOwner);
      if (owner == kLongValueOwner) return "a long-value page";
      if (owner == 0) return "a usage-map page";
      if (owner == tablePage) return "a data page of this table";
      return "a data page of the table defined at page " + std::to_string(owner);
    }
    case kPageTypeTableDefinition:
      return "a table definition page";
    case kPageTypeIndexNode:
    case kPageTypeIndexLeaf:
      return "an index page";
    case kPageTypeUsageBitmap:
      return "a usage bitmap page";
    default:
      return "a page of type " + hex(b[0]);
  }
}

}  // namespace

std::string describeTable(const IntegrityContext& context, std::uint32_t definitionPage) {
  const auto it = context.tableNames.find(definitionPage);
  if (it == context.tableNames.end()) return "the table defined at page " + std::to_string(definitionPage);
  return "table '" + toUtf8(it->second) + "'";
}

bool isFinding(const Error& e) {
  return e.code() != ErrorCode::Io;
}

TableChecker::TableChecker(IntegrityContext& context, std::uint32_t definitionPage, std::u16string name,
                           bool system)
    : cx_(context),
      page_(definitionPage),
      name_(std::move(name)),
      label_("table '" + toUtf8(name_) + "'"),
      system_(system) {}

TableChecker::~TableChecker() = default;

std::string TableChecker::where(RowId id) const {
  return label_ + ", row at page " + std::to_string(id.page()) + " slot " + std::to_string(id.slot());
}

std::optional<TableDefinition> TableChecker::run() {
  cx_.sink.beginScope(label_);
  owner_ = cx_.ledger.addOwner(label_);
  if (!readDefinition()) return std::nullopt;
  ++cx_.report.tableCount;
  checkDefinition();
  readTableMaps();
  readLongValueMaps();
  const Table::Impl& t = table_->impl();
  for (std::size_t i = 0; i < t.definition.realIndexes.size(); ++i) {
    indexes_.push_back(std::make_unique<IndexChecker>(cx_, page_, label_, t.definition, t.columns, i));
  }
  checkRows();
  checkCounters();
  checkLeftoverLongValues();
  checkIndexes();
  return t.definition;
}

bool TableChecker::readDefinition() {
  std::vector<std::uint32_t> pages;
  const auto claimPages = [&] {
    for (const std::uint32_t p : pages)
      cx_.ledger.claim(p, PageRole::Definition, owner_, "its definition chain reaches");
  };
  try {
    buffer_ = readTableDefinitionBuffer(cx_.pager, page_, &pages);
  } catch (const Error& e) {
    if (!isFinding(e)) throw;
    claimPages();
    cx_.sink.error(ProblemArea::TableDefinition, label_ + ": its definition cannot be read: " + e.what());
    return false;
  }
  claimPages();
  TableDefinition definition;
  try {
    definition = parseTableDefinition(buffer_, cx_.version, *cx_.database->text);
  } catch (const Error& e) {
    if (!isFinding(e)) throw;
    cx_.sink.error(ProblemArea::TableDefinition, label_ + ": its definition (page " + std::to_string(page_) +
                                                     ") cannot be decoded: " + e.what());
    return false;
  }
  definition.firstPage = page_;
  definition.pages = std::move(pages);
  table_ = std::make_shared<Table>(
      std::make_unique<Table::Impl>(cx_.database, name_, system_, std::move(definition)));
  return true;
}

void TableChecker::checkDefinition() {
  const TableDefinition& d = table_->impl().definition;
  const auto fail = [&](const std::string& what) {
    cx_.sink.error(ProblemArea::TableDefinition, label_ + ": " + what);
  };

  if (d.length > buffer_.size()) {
    fail("its definition claims " + std::to_string(d.length) + " bytes, but its pages hold only " +
         std::to_string(buffer_.size()));
  }

  // Columns: numbers and variable slots pick a row's null-mask bit and
  // offset entry, so two columns sharing one would read each other's values.
  std::vector<std::uint16_t> numbers;
  std::vector<std::uint16_t> slots;
  for (const ColumnDefinition& c : d.columns) {
    const std::string column = "column '" + toUtf8(c.name) + "'";
    if (std::find(numbers.begin(), numbers.end(), c.number) != numbers.end()) {
      fail(column + " has the column number " + std::to_string(c.number) + " of another column");
    }
    numbers.push_back(c.number);
    if (c.number >= d.maxColumns) {
      fail(column + " has the number " + std::to_string(c.number) + ", but rows carry only " +
           std::to_string(d.maxColumns) + " columns");
    }
    if (!c.isFixed()) {
      if (c.varSlot >= d.varColumns) {
        fail(column + " uses variable slot " + std::to_string(c.varSlot) + ", but rows carry only " +
             std::to_string(d.varColumns));
      }
      if (std::find(slots.begin(), slots.end(), c.varSlot) != slots.end()) {
        fail(column + " shares variable slot " + std::to_string(c.varSlot) + " with another column");
      }
      slots.push_back(c.varSlot);
    }
  }
  for (std::size_t i = 0; i < d.columns.size(); ++i) {
    for (std::size_t j = i + 1; j < d.columns.size(); ++j) {
      if (equalNamesNoCase(d.columns[i].name, d.columns[j].name)) {
        fail("two columns are named '" + toUtf8(d.columns[j].name) + "'");
      }
    }
  }

  // Indexes.
  const auto hasColumn = [&](std::uint16_t number) {
    return std::any_of(d.columns.begin(), d.columns.end(),
                       [&](const ColumnDefinition& c) { return c.number == number; });
  };
  for (std::size_t i = 0; i < d.realIndexes.size(); ++i) {
    const RealIndexDefinition& r = d.realIndexes[i];
    if (r.columns.empty()) fail("real index " + std::to_string(i) + " has no key columns");
    for (const IndexKeyColumn& k : r.columns) {
      if (!hasColumn(k.columnNumber)) {
        fail("real index " + std::to_string(i) + " has column number " + std::to_string(k.columnNumber) +
             " in its key, which the table does not define");
      }
    }
    const bool used = std::any_of(d.logicalIndexes.begin(), d.logicalIndexes.end(),
                                  [&](const LogicalIndexDefinition& l) { return l.realIndex == i; });
    if (!used) {
      cx_.sink.oddity(ProblemArea::TableDefinition,
                      label_ + ": real index " + std::to_string(i) + " is used by no named index");
    }
  }
  for (std::size_t i = 0; i < d.logicalIndexes.size(); ++i) {
    const LogicalIndexDefinition& l = d.logicalIndexes[i];
    const std::string index = "index '" + toUtf8(l.name) + "'";
    if (l.realIndex >= d.realIndexes.size()) {
      fail(index + " stores its entries in real index " + std::to_string(l.realIndex) +
           ", but the table has " + std::to_string(d.realIndexes.size()));
    }
    for (std::size_t j = i + 1; j < d.logicalIndexes.size(); ++j) {
      if (d.logicalIndexes[j].number == l.number) {
        fail(index + " and index '" + toUtf8(d.logicalIndexes[j].name) + "' have the same index number " +
             std::to_string(l.number));
      }
      if (equalNamesNoCase(d.logicalIndexes[j].name, l.name))
        fail("two indexes are named '" + toUtf8(l.name) + "'");
    }
  }

  // Each memo and OLE column needs its pair of long-value maps.
  for (const ColumnDefinition& c : d.columns) {
    if (!factsOf(c.type).longValue) continue;
    const bool listed = std::any_of(d.longValueMaps.begin(), d.longValueMaps.end(),
                                    [&](const LongValueColumnMaps& m) { return m.columnNumber == c.number; });
    if (!listed)
      fail("column '" + toUtf8(c.name) + "' (" + dataTypeName(c.type) + ") has no long-value page maps");
  }
  for (const LongValueColumnMaps& m : d.longValueMaps) {
    const auto c = std::find_if(d.columns.begin(), d.columns.end(),
                                [&](const ColumnDefinition& col) { return col.number == m.columnNumber; });
    if (c == d.columns.end() || !factsOf(c->type).longValue) {
      cx_.sink.oddity(ProblemArea::TableDefinition,
                      label_ + ": its long-value map list has an entry for column number " +
                          std::to_string(m.columnNumber) + ", which is not a memo or OLE column");
    }
  }
}

void TableChecker::readTableMaps() {
  const TableDefinition& d = table_->impl().definition;
  const CheckedMap owned = cx_.maps.read(d.ownedPages, owner_, "the owned-pages map");
  if (!owned.present) cx_.sink.error(ProblemArea::UsageMap, label_ + " has no owned-pages map");
  for (const std::uint32_t p : owned.pages) {
    if (!cx_.pager.isPage(p)) {
      cx_.sink.error(ProblemArea::UsageMap,
                     label_ + ": its owned-pages map lists page " + std::to_string(p) +
                         ", beyond the end of the file; reading the table fails there");
      continue;
    }
    const Page page = cx_.pager.page(p);
    if (page.type() == kPageTypeData && loadU32(page.bytes().data() + kDataPageOwner) == page_) {
      cx_.ledger.claim(p, PageRole::TableData, owner_, "its owned-pages map lists");
      dataPages_.push_back(p);
    } else {
      cx_.ledger.noteListed(p);
      cx_.sink.oddity(ProblemArea::UsageMap, label_ + ": its owned-pages map lists page " +
                                                 std::to_string(p) + ", " + describeContents(page, page_) +
                                                 " (a stale bit)");
    }
  }

  const CheckedMap free = cx_.maps.read(d.freePages, owner_, "the free-space map");
  if (!free.present) cx_.sink.oddity(ProblemArea::UsageMap, label_ + " has no free-space map");
  for (const std::uint32_t p : free.pages) {
    if (!std::binary_search(dataPages_.begin(), dataPages_.end(), p)) {
      cx_.ledger.noteListed(p);
      cx_.sink.oddity(ProblemArea::UsageMap, label_ + ": its free-space map lists page " + std::to_string(p) +
                                                 ", which is not one of its data pages");
    } else {
      checkRoom(p, owner_, "free-space map");
    }
  }
}

void TableChecker::checkRoom(std::uint32_t page, PageLedger::OwnerId owner, const char* map) {
  // The smallest row anything stores (a long-value link pointer, or a row's
  // column count and null mask) and its slot.
  constexpr std::size_t kSmallestEntry = 4 + 2;
  const std::size_t free = loadU16(cx_.pager.page(page).bytes().data() + kDataPageFreeSpace);
  if (free < kSmallestEntry) {
    cx_.sink.oddity(ProblemArea::UsageMap, cx_.ledger.describe(owner) + ": its " + map + " lists page " +
                                               std::to_string(page) + ", which has no room (" +
                                               std::to_string(free) + " bytes free)");
  }
}

void TableChecker::readLongValueMaps() {
  const Table::Impl& t = table_->impl();
  const TableDefinition& d = t.definition;
  longValueSlot_.assign(t.columns.size(), -1);
  for (std::size_t pos = 0; pos < t.columns.size(); ++pos) {
    const ColumnDef& c = t.columns[pos];
    if (!factsOf(c.type).longValue) continue;
    LongValueColumn lv;
    lv.position = pos;
    lv.owner = cx_.ledger.addOwner("column '" + toUtf8(c.name) + "' of " + label_);
    const auto entry = std::find_if(d.longValueMaps.begin(), d.longValueMaps.end(),
                                    [&](const LongValueColumnMaps& m) { return m.columnNumber == c.number; });
    if (entry != d.longValueMaps.end()) {
      const CheckedMap owned = cx_.maps.read(entry->ownedPages, lv.owner, "the long-value page map");
      for (const std::uint32_t p : owned.pages) {
        const bool isLongValuePage = cx_.pager.isPage(p) && [&] {
          const Page page = cx_.pager.page(p);
          return page.type() == kPageTypeData &&
                 loadU32(page.bytes().data() + kDataPageOwner) == kLongValueOwner;
        }();
        if (isLongValuePage) {
          if (cx_.ledger.claim(p, PageRole::LongValue, lv.owner, "its long-value page map lists"))
            lv.pages.push_back(p);
        } else {
          cx_.ledger.noteListed(p);
          cx_.sink.oddity(ProblemArea::UsageMap,
                          cx_.ledger.describe(lv.owner) + ": its long-value page map lists page " +
                              std::to_string(p) + ", which is not a long-value page (a stale bit)");
        }
      }
      const CheckedMap free = cx_.maps.read(entry->freePages, lv.owner, "the long-value free-space map");
      for (const std::uint32_t p : free.pages) {
        if (!std::binary_search(lv.pages.begin(), lv.pages.end(), p)) {
          cx_.ledger.noteListed(p);
          cx_.sink.oddity(ProblemArea::UsageMap,
                          cx_.ledger.describe(lv.owner) + ": its long-value free-space map lists page " +
                              std::to_string(p) + ", which is not one of its long-value pages");
        } else {
          checkRoom(p, lv.owner, "long-value free-space map");
        }
      }
    }
    longValueSlot_[pos] = static_cast<int>(longValueColumns_.size());
    longValueColumns_.push_back(std::move(lv));
  }
}

void TableChecker::checkCounters() {
  const Table::Impl& t = table_->impl();
  const TableDefinition& d = t.definition;
  if (liveRows_.size() != d.rowCount) {
    cx_.sink.oddity(ProblemArea::Counter, label_ + " stores a row count of " + std::to_string(d.rowCount) +
                                              " but holds " + std::to_string(liveRows_.size()) + " rows");
  }
  // The counter holds the last number handed out; a smaller one than a value
  // present means the next insert repeats a number (a larger one, for a
  // counter that counts down).
  if (d.autoNumberStep < 0) {
    const std::int32_t counter = static_cast<std::int32_t>(d.autoNumber);
    if (smallestAutoNumber_ && *smallestAutoNumber_ < counter) {
      cx_.sink.error(ProblemArea::Counter,
                     label_ + ": its autonumber counter is " + std::to_string(counter) +
                         " and counts down, but a smaller number is present (" +
                         std::to_string(*smallestAutoNumber_) + "); the next inserts could repeat a number");
    }
  } else if (largestAutoNumber_ && *largestAutoNumber_ > static_cast<std::int64_t>(d.autoNumber)) {
    cx_.sink.error(ProblemArea::Counter,
                   label_ + ": its autonumber counter is " + std::to_string(d.autoNumber) +
                       ", below the largest number present (" + std::to_string(*largestAutoNumber_) +
                       "); the next insert would repeat a number");
  }
}

void TableChecker::checkIndexes() {
  const TableDefinition& d = table_->impl().definition;
  for (std::size_t i = 0; i < indexes_.size(); ++i) {
    indexes_[i]->check(liveRows_);
    const bool behindForeignKey =
        std::any_of(d.logicalIndexes.begin(), d.logicalIndexes.end(),
                    [&](const auto& l) { return l.realIndex == i && l.kind == kIndexKindForeignKey; });
    if (behindForeignKey) cx_.foreignKeyIndexKeys[{page_, i}] = indexes_[i]->takeKeys();
  }
  indexes_.clear();
}

void TableChecker::checkLeftoverLongValues() {
  for (const LongValueColumn& lv : longValueColumns_) {
    std::size_t leftover = 0;
    for (const std::uint32_t p : lv.pages) {
      const Page page = cx_.pager.page(p);
      std::optional<DataPage> data;
      try {
        data.emplace(page.bytes(), p, cx_.version);
      } catch (const Error& e) {
        if (!isFinding(e)) throw;
        cx_.sink.error(ProblemArea::LongValue, cx_.ledger.describe(lv.owner) + ": " + e.what());
        continue;
      }
      const std::string what =
          "long-value page " + std::to_string(p) + " of " + cx_.ledger.describe(lv.owner);
      if (!checkDataPageLayout(*data, page.bytes(), cx_.version, cx_.sink, ProblemArea::LongValue, what))
        continue;
      for (unsigned slot = 0; slot < data->slotCount(); ++slot) {
        if (data->isDeleted(slot)) continue;
        if (!cx_.longValueRows.contains(RowId::of(p, static_cast<std::uint8_t>(slot)).value)) ++leftover;
      }
    }
    // Unread rows could be the ones using them.
    if (leftover > 0 && allRowsRead_) {
      cx_.sink.oddity(ProblemArea::LongValue, cx_.ledger.describe(lv.owner) + ": " +
                                                  std::to_string(leftover) + " long-value row" +
                                                  (leftover == 1 ? " is" : "s are") +
                                                  " used by no value (left over by an update or delete)");
    }
  }
}

}  // namespace jet
