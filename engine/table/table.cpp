// Table: opening a definition, walking the owned data pages, locating rows
// through overflow pointers and decoding them column by column.
#include "jet/table.h"

#include <optional>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/table_definition_format.h"
#include "format/text_codec.h"
#include "format/usage_map.h"
#include "format/value_codec.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/table_description.h"
#include "table/table_impl.h"

namespace jet {

namespace {

// Problem lines kept in a ScanReport; the counters go on past it.
constexpr std::size_t kMaxReportedProblems = 100;

void note(ScanReport* report, const std::string& problem) {
  if (report && report->problems.size() < kMaxReportedProblems) report->problems.push_back(problem);
}

}  // namespace

Table::Impl::Impl(std::shared_ptr<DatabaseContext> context, std::u16string tableName, bool isSystem,
                  TableDefinition def, std::vector<PropertySet> props)
    : db(std::move(context)),
      name(std::move(tableName)),
      system(isSystem),
      definition(std::move(def)),
      properties(std::move(props)),
      longValues(*db->pager, *db->version) {
  describeColumns(definition, static_cast<std::uint8_t>(db->text->unitSize()), columns, plans);
  applyRequiredProperties(properties, *db->text, columns);
  indexes = describeIndexes(definition, columns);
  applyRequiredIndexes(indexes, columns);
}

std::shared_ptr<Table> Table::Impl::open(std::shared_ptr<DatabaseContext> context, std::uint32_t page,
                                         std::u16string name, bool system,
                                         std::vector<PropertySet> properties) {
  TableDefinition definition;
  try {
    definition = readTableDefinition(*context->pager, page, *context->version, *context->text);
  } catch (const Error& e) {
    throw Error(e.code(), "Cannot open table '" + toUtf8(name) + "': " + e.what());
  }
  system = system || definition.tableType == kTableTypeSystem;
  auto impl = std::make_unique<Impl>(std::move(context), std::move(name), system, std::move(definition),
                                     std::move(properties));
  return std::make_shared<Table>(std::move(impl));
}

std::string Table::Impl::describe() const {
  return "table '" + toUtf8(name) + "'";
}

void Table::Impl::rethrowForRow(const Error& e, RowId id) const {
  throw Error(e.code(), "Cannot read a row of " + describe() + " (page " + std::to_string(id.page()) +
                            ", slot " + std::to_string(id.slot()) + "): " + e.what());
}

namespace {

// Follows the overflow pointer of `slot` on `start` to the row's real bytes.
// `holder` keeps the target page alive.
ByteSpan followOverflow(const Table::Impl& t, const DataPage& start, unsigned slot, Page& holder) {
  Pager& pager = *t.db->pager;
  RowId target = start.overflowTarget(slot);
  for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
    if (!pager.isPage(target.page())) {
      throwCorruption("an overflow pointer names page " + std::to_string(target.page()) +
                      ", beyond the end of the file");
    }
    holder = pager.page(target.page());
    const DataPage page(holder.bytes(), target.page(), *t.db->version);
    if (page.owner() != t.definition.firstPage) {
      throwCorruption("an overflow pointer leads to page " + std::to_string(target.page()) +
                      ", which belongs to another table");
    }
    const ByteSpan row = page.row(target.slot());
    if (!page.isOverflow(target.slot())) return row;
    target = page.overflowTarget(target.slot());
  }
  throwCorruption("overflow pointers lead from row to row more than " + std::to_string(kMaxOverflowHops) +
                  " times (a loop)");
}

}  // namespace

ByteSpan Table::Impl::locate(RowId id, Page& holder) const {
  Pager& pager = *db->pager;
  const auto noRow = [&](const char* why) {
    return Error(ErrorCode::NotFound, describe() + " has no row at page " + std::to_string(id.page()) +
                                          ", slot " + std::to_string(id.slot()) + ": " + why);
  };
  if (!pager.isPage(id.page())) throw noRow("the page lies beyond the end of the file");
  Page page = pager.page(id.page());
  if (page.type() != kPageTypeData || loadU32(page.bytes().data() + kDataPageOwner) != definition.firstPage) {
    throw noRow("the page is not one of the table's data pages");
  }
  try {
    const DataPage data(page.bytes(), id.page(), *db->version);
    if (id.slot() >= data.slotCount()) throw noRow("the page has no such slot");
    if (data.isDeleted(id.slot())) throw noRow("the row was deleted");
    if (data.isOverflow(id.slot())) return followOverflow(*this, data, id.slot(), holder);
    const ByteSpan row = data.row(id.slot());
    holder = std::move(page);
    return row;
  } catch (const Error& e) {
    if (e.code() == ErrorCode::NotFound) throw;
    rethrowForRow(e, id);
  }
}

Value Table::Impl::decodeColumn(const RowFrame& frame, std::size_t column) const {
  const ColumnPlan& p = plans[column];
  if (p.type == DataType::Boolean) return Value::boolean(frame.maskBit(p.number));
  if (!frame.maskBit(p.number)) return Value();
  ByteSpan bytes;
  if (p.fixed) {
    bytes = frame.fixedBytes(p.fixedOffset, p.fixedSize);
  } else {
    // Rows written before a variable column was added carry fewer slots.
    if (p.varSlot >= frame.variableSlotCount()) return Value();
    bytes = frame.variableBytes(p.varSlot);
  }
  switch (p.type) {
    case DataType::Memo:
      longValues.read(bytes, scratch);
      return Value::text(db->text->decode(scratch));
    case DataType::Ole: {
      Bytes data;
      longValues.read(bytes, data);
      return Value::binary(std::move(data));
    }
    default:
      return decodeValue(p.type, bytes, p.scale, *db->text);
  }
}

Value Table::Impl::decodeNamed(const RowFrame& frame, std::size_t column) const {
  try {
    return decodeColumn(frame, column);
  } catch (const Error& e) {
    throw Error(e.code(), "column '" + toUtf8(columns[column].name) + "': " + e.what());
  }
}

void Table::Impl::decode(ByteSpan row, const std::vector<std::size_t>* which, std::vector<Value>& out) const {
  const RowFrame frame(row, definition.varColumns > 0, *db->version);
  if (which) {
    for (const std::size_t column : *which) out[column] = decodeNamed(frame, column);
  } else {
    for (std::size_t column = 0; column < plans.size(); ++column) out[column] = decodeNamed(frame, column);
  }
}

void Table::Impl::forEachRow(ScanMode mode, ScanReport* report,
                             const std::function<void(RowId, ByteSpan)>& read,
                             const std::function<bool(RowId)>& deliver) const {
  Pager& pager = *db->pager;
  const FormatVersion& version = *db->version;
  const bool lenient = mode == ScanMode::Lenient;
  const auto fail = [&](const Error& e, const std::string& where) {
    if (!lenient) throw Error(e.code(), "Cannot read " + describe() + ": " + where + e.what());
    note(report, "Table '" + toUtf8(name) + "': " + where + e.what());
  };

  std::vector<std::uint32_t> pages;
  try {
    pages = readUsageMap(pager, definition.ownedPages, version);
  } catch (const Error& e) {
    fail(e, "its page map: ");
    if (report) ++report->unreadablePages;
    return;
  }

  for (const std::uint32_t number : pages) {
    Page page;
    try {
      if (!pager.isPage(number)) {
        throwCorruption("the table's page map lists page " + std::to_string(number) +
                        ", beyond the end of the file");
      }
      page = pager.page(number);
    } catch (const Error& e) {
      fail(e, "");
      if (report) ++report->unreadablePages;
      continue;
    }
    // A page map can keep stale bits for pages the table gave up; only data
    // pages that name this table as their owner are its pages.
    if (page.type() != kPageTypeData ||
        loadU32(page.bytes().data() + kDataPageOwner) != definition.firstPage) {
      continue;
    }
    std::optional<DataPage> data;
    try {
      data.emplace(page.bytes(), number, version);
    } catch (const Error& e) {
      fail(e, "");
      if (report) ++report->unreadablePages;
      continue;
    }
    const unsigned slots = data->slotCount();
    for (unsigned slot = 0; slot < slots; ++slot) {
      const std::uint16_t word = data->slotWord(slot);
      if ((word & kSlotDeleted) != 0) continue;
      const RowId id = RowId::of(number, static_cast<std::uint8_t>(slot));
      try {
        if (slot > 0xFF) {
          throwCorruption("a live row in slot " + std::to_string(slot) +
                          ", beyond the 256 a page can address");
        }
        Page target;
        read(id, (word & kSlotOverflow) != 0 ? followOverflow(*this, *data, slot, target) : data->row(slot));
      } catch (const Error& e) {
        fail(e, "page " + std::to_string(number) + ", slot " + std::to_string(slot) + ": ");
        if (report) ++report->unreadableRows;
        continue;
      }
      if (!deliver(id)) return;
    }
  }
}

Table::Table(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Table::~Table() = default;

const std::u16string& Table::name() const {
  return impl_->name;
}
std::uint32_t Table::definitionPage() const {
  return impl_->definition.firstPage;
}
bool Table::isSystem() const {
  return impl_->system;
}
const std::vector<ColumnDef>& Table::columns() const {
  return impl_->columns;
}
const std::vector<IndexDef>& Table::indexes() const {
  return impl_->indexes;
}
std::uint32_t Table::storedRowCount() const {
  return impl_->definition.rowCount;
}
std::uint32_t Table::autoNumberCounter() const {
  return impl_->definition.autoNumber;
}
std::int32_t Table::autoNumberStep() const {
  return impl_->definition.autoNumberStep;
}

int Table::findColumn(std::u16string_view name) const {
  const auto& columns = impl_->columns;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (equalNamesNoCase(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::vector<RowId> Table::rowIds(ScanMode mode, ScanReport* report) const {
  // A read of the table sees one committed state of the file.
  ReadScope scope(*impl_->db->pager);
  std::vector<RowId> ids;
  const bool hasVariableColumns = impl_->definition.varColumns > 0;
  impl_->forEachRow(
      mode, report, [&](RowId, ByteSpan row) { (void)RowFrame(row, hasVariableColumns, *impl_->db->version); },
      [&](RowId id) {
        ids.push_back(id);
        return true;
      });
  return ids;
}

void Table::readRow(RowId id, std::vector<Value>& out) const {
  ReadScope scope(*impl_->db->pager);
  Page holder;
  const ByteSpan row = impl_->locate(id, holder);
  out.resize(impl_->columns.size());
  try {
    impl_->decode(row, nullptr, out);
  } catch (const Error& e) {
    impl_->rethrowForRow(e, id);
  }
}

std::vector<Value> Table::readRow(RowId id) const {
  std::vector<Value> out;
  readRow(id, out);
  return out;
}

Value Table::readValue(RowId id, std::size_t column) const {
  ReadScope scope(*impl_->db->pager);
  if (column >= impl_->columns.size()) {
    throw Error(ErrorCode::InvalidArgument, impl_->describe() + " has no column " + std::to_string(column));
  }
  Page holder;
  const ByteSpan row = impl_->locate(id, holder);
  try {
    const RowFrame frame(row, impl_->definition.varColumns > 0, *impl_->db->version);
    return impl_->decodeNamed(frame, column);
  } catch (const Error& e) {
    impl_->rethrowForRow(e, id);
  }
}

void Table::scan(const std::function<bool(RowId, const std::vector<Value>&)>& visit, ScanMode mode,
                 ScanReport* report) const {
  ReadScope scope(*impl_->db->pager);
  std::vector<Value> values(impl_->columns.size());
  impl_->forEachRow(
      mode, report, [&](RowId, ByteSpan row) { impl_->decode(row, nullptr, values); },
      [&](RowId id) { return visit(id, values); });
}

}  // namespace jet
